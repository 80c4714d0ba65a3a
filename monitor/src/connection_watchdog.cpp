// Keeps `connected` up to date: the timer asks for checks while the window
// shows "not connected"; each check polls, re-opens and sets the status.
#include "monitor_dialog.h"

namespace tarvex {

void MonitorDialog::OnTimer(uintptr_t /*timerId*/) {
  if (lastShownConnected == 0) surface_.PostToSelf(WM_DEVICE_CHECK, 0, 0);
}

intptr_t MonitorDialog::OnDeviceCheck(uintptr_t /*wParam*/, intptr_t lParam) {
  if (connected) {
    uint32_t values[2] = {};
    uint8_t status = 4;
    const CallResult polled = library_.XGetInput(values, &status);
    if (polled && *polled != XR_OK) connected = 0;
  }
  if (!connected) connected = Reopen() ? 1 : 0;
  SetStatusFromConnection(lParam);
  if (connected != lastShownConnected) {
    lastShownConnected = connected;
    Refresh();
  }
  return 1;
}

bool MonitorDialog::OpenReceiver() {
  const CallResult opened = library_.XOpen(surface_.Handle());
  return opened && *opened == XR_OK;
}

// Ends whatever connection the library holds and opens the receiver anew;
// true when it is open. A missing export is skipped.
bool MonitorDialog::Reopen() {
  library_.XClose();
  return OpenReceiver();
}

void MonitorDialog::SetStatusFromConnection(intptr_t lParam) {
  if (connected) {
    statusText = lParam == 1 ? "Download Ok！" : "MQDZ Job Ok！";
  } else {
    statusText = "please insert USB controller！";
    state_.autoSendCount = 0;
  }
}

}  // namespace tarvex
