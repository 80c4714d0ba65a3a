#include "driver_channel.h"

#include <winioctl.h>

#include "channel.h"

namespace vreceiver::process {

namespace {

// The driver loads with Wine's services; on a machine just started that
// takes a few seconds.
constexpr DWORD kOpenWaitMs = 60000;
constexpr DWORD kOpenPollMs = 50;

}  // namespace

DriverChannel::DriverChannel() : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

DriverChannel::~DriverChannel() {
  if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
  CloseHandle(stop_);
}

bool DriverChannel::Open(std::string *error) {
  DWORD last = 0;
  for (DWORD waited = 0; waited < kOpenWaitMs; waited += kOpenPollMs) {
    device_ = CreateFileA(TARVEXVR_CHANNEL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device_ != INVALID_HANDLE_VALUE) return true;
    last = GetLastError();
    Sleep(kOpenPollMs);
  }
  *error = "the virtual receiver's driver does not answer at " +
           std::string(TARVEXVR_CHANNEL_PATH) + " (error " + std::to_string(last) +
           "); install it with scripts/wine-prefix.sh";
  return false;
}

bool DriverChannel::Call(DWORD code, const void *in, DWORD inSize, void *out, DWORD outSize,
                         DWORD *error) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD done = 0;
  BOOL ok = DeviceIoControl(device_, code, const_cast<void *>(in), inSize, out, outSize, &done,
                            &overlapped);
  if (!ok && GetLastError() == ERROR_IO_PENDING) {
    HANDLE waits[2] = {overlapped.hEvent, stop_};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIoEx(device_, &overlapped);
    }
    ok = GetOverlappedResult(device_, &overlapped, &done, TRUE);
  }
  if (!ok && error) *error = GetLastError();
  CloseHandle(overlapped.hEvent);
  return ok != FALSE;
}

void DriverChannel::Stop() { SetEvent(stop_); }

}  // namespace vreceiver::process
