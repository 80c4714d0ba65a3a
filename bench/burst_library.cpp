// MQD7RA.dll for the bench alone (built as bin/burst/MQD7RA.dll): it takes
// the device library's place under Tarvex so that Tarvex's window can be
// timed draining a backlog with no HID read path beneath it, the figure the
// catch-up after a stall is set against.
// XOpen starts a thread that posts the three changes after which Tarvex
// stops sending the display text by itself; the third send then queues the
// burst on Tarvex's own thread, so all of it waits before the window handles
// any: BURST_REPORTS (3000 unless set) wheel messages of +1, and WM_CLOSE
// behind them. Every other export answers as an idle receiver would.
#include <windows.h>

#include <cstdlib>

#include "mqd7ra.h"

namespace {

constexpr unsigned kDefaultBurst = 3000;
// Tarvex has its window up and idle by then.
constexpr DWORD kSettleMs = 500;
constexpr DWORD kChangeSpacingMs = 50;
constexpr int kStartupChanges = 3;

HWND window = nullptr;
int sends = 0;

unsigned BurstSize() {
  const char *text = std::getenv("BURST_REPORTS");
  const unsigned long size = text ? std::strtoul(text, nullptr, 10) : 0;
  // The window's queue holds 10,000 messages; a refused post would leave
  // the bench's count of lines short.
  return size > 0 && size <= 9000 ? static_cast<unsigned>(size) : kDefaultBurst;
}

void PostWheel() { PostMessageA(window, WM_DEVICE_INPUT, 1, 0); }

DWORD WINAPI StartupChanges(LPVOID) {
  Sleep(kSettleMs);
  for (int i = 0; i < kStartupChanges; ++i) {
    PostWheel();
    Sleep(kChangeSpacingMs);
  }
  return 0;
}

}  // namespace

extern "C" {

int32_t MQD7RA_CALL Xinit(void) { return XR_OK; }

int32_t MQD7RA_CALL XOpen(void *target) {
  if (window != nullptr) return XR_OK;
  window = static_cast<HWND>(target);
  HANDLE thread = CreateThread(nullptr, 0, StartupChanges, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
  return XR_OK;
}

int32_t MQD7RA_CALL XClose(void) { return 1; }

int32_t MQD7RA_CALL XGetInput(uint32_t *values, uint8_t *status) {
  values[0] = 0;
  values[1] = 0;
  *status = 2;
  return XR_OK;
}

int32_t MQD7RA_CALL XSendOutput(const uint8_t *, uint8_t *) {
  if (++sends == kStartupChanges) {
    for (unsigned i = BurstSize(); i > 0; --i) PostWheel();
    PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return XR_OK;
}

int32_t MQD7RA_CALL XWritDev(const uint8_t *, const uint8_t *) { return XR_OK; }

int32_t MQD7RA_CALL GetDeviceData(uint8_t *, uint8_t) { return 0; }

}  // extern "C"
