// What the window does with each input message, the clear button and the
// receiver-information check box.
#include <algorithm>

#include "input_texts.h"
#include "monitor_dialog.h"
#include "resource.h"

namespace tarvex {
namespace {

constexpr uint8_t kInfoRequestKind = 2;

}  // namespace

intptr_t MonitorDialog::OnDeviceInput(uintptr_t wParam, intptr_t lParam) {
  const int delta = static_cast<int8_t>(static_cast<uint8_t>(wParam & 0xFFu));
  const InputWord word = static_cast<InputWord>(static_cast<uintptr_t>(lParam));
  bool changed = false;

  keyText = KeysText(INPUTWORD_KEY1(word), INPUTWORD_KEY2(word));
  if (word != state_.lastInputWord) {
    state_.lastInputWord = word;
    changed = true;
  }
  if (delta != 0) {
    changed = true;
    pendingLines_ += WheelLogLine(delta, state_.wheelPosition);
    MoveWheel(delta);
    state_.wheelTotal += delta;
    wheelTotalText = WheelTotalText(state_.wheelTotal);
  }
  axisText = AxisText(INPUTWORD_AXIS(word));
  stepText = StepText(INPUTWORD_MODE(word));
  const bool infoWanted = showDeviceInfo && library_.IsLoaded();
  const Showing showing = (changed || infoWanted) ? WhenToShow() : Showing::kNow;
  if (infoWanted) {
    // Once no automatic send depends on it, the read goes with the refresh
    // it would change: made for the newest input, not for each message.
    if (showing != Showing::kNow && state_.autoSendCount >= kAutoSendLimit) {
      infoSkipped_ = true;
    } else {
      ShowReceiverInfo(changed);
    }
  }

  if (changed) {
    if (showing == Showing::kNow) {
      Refresh();
    } else {
      refreshSkipped_ = true;
      // With nothing known to wait, the lines go out now.
      if (showing == Showing::kNextFrame) WriteLines();
    }
    if (state_.autoSendCount < kAutoSendLimit) {
      ++state_.autoSendCount;
      SendDisplayText();
    }
  }
  return 1;
}

// A refresh (and the line write and information read that go with it) may
// be left to a later message while one waits, so the window never falls
// behind the device by a backlog of redraws, writes and requests: a waiting
// input message refreshes in turn, and the host gives a message of any
// other kind the skipped refresh first (FinishRefresh), so the window shows
// every input before anything else is handled and ends showing the newest
// state. At least every kRefreshLagMs it is refreshed all the same.
// Asking the queue costs a request to the window server, so it is asked
// once per backlog: the window posts WM_SHOW_INPUT behind what waits, and
// until that comes every input is known to have a message after it.
// With the queue empty the backlog may still wait in the library's ring,
// where the window cannot see it: a redraw for each report would then take
// the reader's time, so the window is redrawn at most once a frame
// (kRefreshSpacingMs) and its show timer draws the rest.
// (A message posted to a control instead leaves the refresh to the next
// message of the window, the 200 ms timer's at the latest.)
MonitorDialog::Showing MonitorDialog::WhenToShow() {
  const uint64_t sinceRefresh = surface_.SteadyMilliseconds() - lastRefreshMs_;
  if (sinceRefresh >= kRefreshLagMs) return Showing::kNow;
  if (showPosted_) return Showing::kAfterWaiting;
  if (surface_.PostedMessageWaiting()) {
    // A full queue takes no more: the next message asks again.
    showPosted_ = surface_.PostToSelf(WM_SHOW_INPUT, 0, 0);
    return Showing::kAfterWaiting;
  }
  if (sinceRefresh >= kRefreshSpacingMs) return Showing::kNow;
  if (!showTimed_) showTimed_ = surface_.StartTimer(kShowTimerId, kRefreshSpacingMs) != 0;
  return showTimed_ ? Showing::kNextFrame : Showing::kNow;
}

void MonitorDialog::OnShowTimer() {
  surface_.StopTimer(kShowTimerId);
  showTimed_ = false;
  FinishRefresh();
}

void MonitorDialog::OnShowInput() {
  showPosted_ = false;
  FinishRefresh();
}

// The stored position stays within the bar's range, so the bar follows the
// wheel at once when it turns back from an end.
void MonitorDialog::MoveWheel(int delta) {
  state_.wheelPosition =
      static_cast<int16_t>(std::clamp(state_.wheelPosition + delta, 0, kWheelBarMax));
}

// Drawing the bar is a large part of a refresh, so it moves with the
// refresh, not with each message.
void MonitorDialog::PutWheelBar() {
  surface_.SetScrollPos(IDC_WHEEL_BAR, state_.wheelPosition);
  surface_.InvalidateControl(IDC_WHEEL_BAR);
  barShown_ = state_.wheelPosition;
}

void MonitorDialog::ShowReceiverInfo(bool &changed) {
  infoSkipped_ = false;
  uint8_t info[8] = {};
  const CallResult read = library_.GetDeviceData(info, kInfoRequestKind);
  if (!read || *read == 0) return;

  const unsigned deviceId = info[1] + 256u * info[2];
  const int channel = static_cast<int8_t>(info[4]);
  const unsigned rssi = info[5];
  const std::string infoText = DeviceInfoText(info[7], deviceId, channel);
  if (infoText != deviceInfoText) {
    deviceInfoText = infoText;
    changed = true;
  }
  const std::string rssiLine = RssiText(rssi);
  if (rssiLine != rssiText) {
    rssiText = rssiLine;
    changed = true;
  }
  if (static_cast<int32_t>(rssi) > rssiThreshold) {
    rfLowText = "RF 的RSSI 低于门限!";
    surface_.SetControlText(IDC_RF_LOW_LABEL, rfLowText);
    surface_.ShowControl(IDC_RF_OK_LABEL, false);
    surface_.ShowControl(IDC_RF_LOW_LABEL, true);
  } else {
    rfOkText = "RF 检测正常!";
    surface_.SetControlText(IDC_RF_OK_LABEL, rfOkText);
    surface_.ShowControl(IDC_RF_OK_LABEL, true);
    surface_.ShowControl(IDC_RF_LOW_LABEL, false);
  }
}

void MonitorDialog::OnClear() {
  state_.wheelTotal = 0;
  wheelTotalText = WheelTotalText(0);
  state_.wheelPosition = 0;
  PutWheelBar();
  Refresh();
}

void MonitorDialog::OnInfoCheck() {
  showDeviceInfo = showDeviceInfo ? 0 : 1;
  surface_.SetCheck(IDC_INFO_CHECK, showDeviceInfo != 0);
}

}  // namespace tarvex
