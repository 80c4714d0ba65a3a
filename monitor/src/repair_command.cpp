// Sends the receiver its re-pair command: two raw 3-byte commands, the
// outcome of the second shown in the status text.
#include "monitor_dialog.h"

namespace tarvex {

void MonitorDialog::OnRepair() {
  if (!EnsureConnected()) return;
  uint8_t command[3] = {0x0A, 0x0A, 0x16};
  const uint8_t count = 3;
  if (!library_.XWritDev(command, &count)) return;
  command[0] = command[1] = 0xA9;
  const CallResult second = library_.XWritDev(command, &count);
  if (!second) return;
  statusText = *second == XR_OK ? "下载命令OK!" : "下载命令失败!";
  Refresh();
}

}  // namespace tarvex
