// Sends the four line fields to the pendant's LCD, opening the library and
// the receiver on demand.
#include "display_payload.h"
#include "monitor_dialog.h"

namespace tarvex {

bool MonitorDialog::EnsureConnected() {
  if (!library_.IsLoaded() && !library_.Load()) {
    surface_.ShowMessage("load DLL Error!", MessageIcon::kNone);
    return false;
  }
  if (!connected && Reopen()) connected = 1;
  if (!connected) {
    surface_.ShowMessage("Open Device Error!", MessageIcon::kNone);
    return false;
  }
  return true;
}

void MonitorDialog::SendDisplayText() {
  if (!EnsureConnected()) return;
  ReadBack();
  const DisplayPayload payload = ComposeDisplayPayload(lcdLine1, lcdLine2, lcdLine3, lcdLine4);
  uint8_t length = static_cast<uint8_t>(payload.size());
  const CallResult sent = library_.XSendOutput(payload.data(), &length);
  if (!sent) return;
  if (*sent == XR_OK) {
    surface_.PostToSelf(WM_DEVICE_CHECK, 0, 1);
  } else {
    connected = 0;
  }
}

void MonitorDialog::OnDownload() {
  ReadBack();
  SendDisplayText();
}

}  // namespace tarvex
