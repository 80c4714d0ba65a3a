// The seven exports over one process-wide library on the Windows platform.
#include <mqd7ra.h>

#include "library.h"
#include "platform/win32/win32_platform.h"

namespace {

// Made on first use and never destroyed: nothing of the library runs while
// the process unloads it.
mqd7ra::Library &TheLibrary() {
  static mqd7ra::Library *library = new mqd7ra::Library(*new mqd7ra::Win32Platform);
  return *library;
}

// No C++ exception crosses an export (the caller may not even be C++): one
// that escapes the library (no memory, a lock the system refuses) becomes the
// export's failure result.
template <typename Call>
int32_t Guarded(int32_t failure, Call call) {
  try {
    return call(TheLibrary());
  } catch (...) {
    return failure;
  }
}

}  // namespace

extern "C" {

int32_t MQD7RA_CALL Xinit(void) {
  return Guarded(XR_NO_DEVICE, [](mqd7ra::Library &l) { return l.Xinit(); });
}

int32_t MQD7RA_CALL XOpen(void *window) {
  return Guarded(XR_NO_DEVICE, [window](mqd7ra::Library &l) {
    return l.XOpen(reinterpret_cast<mqd7ra::WindowHandle>(window));
  });
}

int32_t MQD7RA_CALL XClose(void) {
  return Guarded(-1, [](mqd7ra::Library &l) { return l.XClose(); });
}

int32_t MQD7RA_CALL XGetInput(uint32_t *values, uint8_t *status) {
  return Guarded(XR_NOT_OPEN, [=](mqd7ra::Library &l) { return l.XGetInput(values, status); });
}

int32_t MQD7RA_CALL XSendOutput(const uint8_t *payload, uint8_t *length) {
  return Guarded(XR_WRITE_FAILED,
                 [=](mqd7ra::Library &l) { return l.XSendOutput(payload, length); });
}

int32_t MQD7RA_CALL XWritDev(const uint8_t *bytes, const uint8_t *count) {
  return Guarded(XR_WRITE_FAILED, [=](mqd7ra::Library &l) { return l.XWritDev(bytes, count); });
}

int32_t MQD7RA_CALL GetDeviceData(uint8_t *buffer, uint8_t kind) {
  return Guarded(0, [=](mqd7ra::Library &l) { return l.GetDeviceData(buffer, kind); });
}

}  // extern "C"
