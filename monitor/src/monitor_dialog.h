// The main window's logic: its members, the data exchange between members and
// controls, and the handlers of its message map. Platform-free: it reaches
// the window through WindowSurface and the device library through
// DeviceLibrary, and runs only on the window's thread.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "device_library.h"
#include "monitor_state.h"
#include "window_surface.h"

namespace tarvex {

constexpr uint32_t kWatchdogTimerId = 17;
constexpr uint32_t kWatchdogPeriodMs = 200;
constexpr int32_t kAutoSendLimit = 3;
constexpr int kWheelBarMax = 200;
constexpr uint32_t kRfLowColor = 0x000000FF;  // RGB(255, 0, 0)
constexpr uint32_t kRfOkColor = 0x00C0C013;   // RGB(19, 192, 192)
// While input messages keep arriving, the window is refreshed at least this
// often.
constexpr uint64_t kRefreshLagMs = 50;
// The window's own message, posted behind waiting input: when it comes, the
// window shows what the input before it changed (WM_APP + 1).
constexpr uint32_t WM_SHOW_INPUT = 0x8001;
// While input keeps arriving, the window is redrawn at most once a frame;
// its show timer draws what came after.
constexpr uint64_t kRefreshSpacingMs = 15;
constexpr uint32_t kShowTimerId = 18;

class MonitorDialog {
 public:
  MonitorDialog(WindowSurface &surface, DeviceLibrary &library, MonitorState &state,
                std::ostream &out);

  // Message map.
  void OnInitDialog();
  bool OnSysCommand(uint32_t commandId);  // true when handled (the About box)
  intptr_t OnDeviceInput(uintptr_t wParam, intptr_t lParam);
  intptr_t OnDeviceCheck(uintptr_t wParam, intptr_t lParam);
  void OnTimer(uintptr_t timerId);
  void OnDestroy();
  void OnDownload();
  void OnRepair();
  void OnClear();
  void OnInfoCheck();
  void OnShowInput();
  void OnShowTimer();
  // Default OK: reads the fields back; true when the window is to end (1).
  bool OnOk();

  // Data exchange over the whole table, in its order. The refresh also
  // moves the wheel bar to the wheel position; the read-back first shows
  // what a skipped refresh left unshown, so it never reads stale controls.
  void Refresh();
  bool ReadBack();
  // Shows the input that skipped refreshes left unshown (with its
  // standard-output lines and receiver information); the host calls it
  // before it handles any message other than WM_DEVICE_INPUT.
  void FinishRefresh();

  // Display text composer.
  bool EnsureConnected();
  void SendDisplayText();

  // Members, in declaration order.
  int32_t connected = 0;
  int32_t lastShownConnected = 0;
  uint32_t timerId = 0;
  std::string keyText;
  std::string lcdLine1 = "111111111111";
  std::string statusText;
  IconHandle icon;  // icon 128; shared, never destroyed
  std::string stepText;
  std::string axisText;
  std::string wheelTotalText = "1111111111111";
  std::string lcdLine2 = "2222222222222222";
  std::string lcdLine3 = "3333333333333333";
  std::string lcdLine4 = "4444444444444444";
  std::string deviceInfoText;
  std::string rssiText;
  std::string rfOkText;
  std::string rfLowText;
  int32_t rssiThreshold = 0;
  int32_t showDeviceInfo = 0;

 private:
  bool OpenReceiver();
  bool Reopen();
  void MoveWheel(int delta);
  void ShowReceiverInfo(bool &changed);
  // Now, after a message known to wait, or with the next frame.
  enum class Showing { kNow, kAfterWaiting, kNextFrame };
  Showing WhenToShow();
  void WriteLines();
  void SetStatusFromConnection(intptr_t lParam);
  void PutWheelBar();

  WindowSurface &surface_;
  DeviceLibrary &library_;
  MonitorState &state_;
  std::ostream &out_;
  bool controlsBound_ = false;
  bool refreshSkipped_ = false;
  bool infoSkipped_ = false;  // a receiver-information read left to the refresh
  bool showPosted_ = false;   // WM_SHOW_INPUT waits behind the input
  bool showTimed_ = false;    // the show timer runs
  std::string pendingLines_;  // standard-output lines the next refresh writes first
  uint64_t lastRefreshMs_ = 0;
  int barShown_ = 0;  // the position the wheel bar shows (it starts at 0)
};

// Parses a decimal integer the way the threshold field takes it: optional
// blanks, an optional sign, digits (leading zeros allowed), optional blanks;
// false otherwise or when the value does not fit 32 bits.
bool ParseDecimal(const std::string &text, int32_t *value);

}  // namespace tarvex
