// Start-up, system menu, default OK and teardown of the main window.
#include "monitor_dialog.h"

#include "resource.h"

namespace tarvex {

MonitorDialog::MonitorDialog(WindowSurface &surface, DeviceLibrary &library, MonitorState &state,
                             std::ostream &out)
    : icon(surface.LoadAppIcon(IDR_MAINFRAME)),
      surface_(surface),
      library_(library),
      state_(state),
      out_(out) {}

void MonitorDialog::OnInitDialog() {
  Refresh();
  surface_.AddSystemMenuItem(IDM_ABOUTBOX, IDS_ABOUTBOX);

  state_ = MonitorState{};
  connected = 0;
  // A library that cannot be loaded here is not reported: the window opens
  // as "not connected" and later sends try again.
  if (library_.IsLoaded() || library_.Load()) {
    library_.Xinit();
    if (OpenReceiver()) connected = 1;
  }

  surface_.SetScrollRange(IDC_WHEEL_BAR, 0, kWheelBarMax);
  surface_.SetWindowIcon(IconSize::kBig, icon);
  surface_.SetWindowIcon(IconSize::kSmall, icon);
  lastShownConnected = connected;
  surface_.SetLabelBackground(IDC_RF_LOW_LABEL, kRfLowColor);
  surface_.SetLabelBackground(IDC_RF_OK_LABEL, kRfOkColor);
  surface_.ShowControl(IDC_RF_OK_LABEL, true);
  surface_.ShowControl(IDC_RF_LOW_LABEL, false);
  rssiThreshold = 40;
  statusText = connected ? "MQDZ控制器工作正常！" : "请插入MQDZ 控制器！";
  Refresh();
  timerId = surface_.StartTimer(kWatchdogTimerId, kWatchdogPeriodMs);
}

bool MonitorDialog::OnSysCommand(uint32_t commandId) {
  if ((commandId & 0xFFF0u) != IDM_ABOUTBOX) return false;
  surface_.ShowAboutBox();
  return true;
}

bool MonitorDialog::OnOk() { return ReadBack(); }

// The framework's own destroy processing runs first, as a framework
// window's handler does before its own work.
void MonitorDialog::OnDestroy() {
  surface_.DefaultDestroy();
  if (timerId != 0) surface_.StopTimer(timerId);
  library_.XClose();
}

}  // namespace tarvex
