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

}  // namespace

extern "C" {

int32_t MQD7RA_CALL Xinit(void) { return TheLibrary().Xinit(); }

int32_t MQD7RA_CALL XOpen(void *window) {
  return TheLibrary().XOpen(reinterpret_cast<mqd7ra::WindowHandle>(window));
}

int32_t MQD7RA_CALL XClose(void) { return TheLibrary().XClose(); }

int32_t MQD7RA_CALL XGetInput(uint32_t *values, uint8_t *status) {
  return TheLibrary().XGetInput(values, status);
}

int32_t MQD7RA_CALL XSendOutput(const uint8_t *payload, uint8_t *length) {
  return TheLibrary().XSendOutput(payload, length);
}

int32_t MQD7RA_CALL XWritDev(const uint8_t *bytes, const uint8_t *count) {
  return TheLibrary().XWritDev(bytes, count);
}

int32_t MQD7RA_CALL GetDeviceData(uint8_t *buffer, uint8_t kind) {
  return TheLibrary().GetDeviceData(buffer, kind);
}

}  // extern "C"
