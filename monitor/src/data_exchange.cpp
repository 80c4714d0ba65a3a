// Refresh (members to controls) and read-back (controls to members) over the
// window's fixed exchange table.
#include <cctype>
#include <cstdint>
#include <string>

#include "monitor_dialog.h"
#include "resource.h"

namespace tarvex {
namespace {

enum class Kind { kText, kControl, kInteger };

struct ExchangeEntry {
  int controlId;
  Kind kind;
  std::string MonitorDialog::*text;
};

const ExchangeEntry kExchangeTable[] = {
    {IDC_KEY_TEXT, Kind::kText, &MonitorDialog::keyText},
    {IDC_LCD_LINE1, Kind::kText, &MonitorDialog::lcdLine1},
    {IDC_STATUS_TEXT, Kind::kText, &MonitorDialog::statusText},
    {IDC_WHEEL_BAR, Kind::kControl, nullptr},
    {IDC_STEP_TEXT, Kind::kText, &MonitorDialog::stepText},
    {IDC_AXIS_TEXT, Kind::kText, &MonitorDialog::axisText},
    {IDC_WHEEL_TOTAL, Kind::kText, &MonitorDialog::wheelTotalText},
    {IDC_LCD_LINE2, Kind::kText, &MonitorDialog::lcdLine2},
    {IDC_LCD_LINE3, Kind::kText, &MonitorDialog::lcdLine3},
    {IDC_LCD_LINE4, Kind::kText, &MonitorDialog::lcdLine4},
    {IDC_DEVICE_INFO, Kind::kText, &MonitorDialog::deviceInfoText},
    {IDC_RSSI_TEXT, Kind::kText, &MonitorDialog::rssiText},
    {IDC_RF_LOW_LABEL, Kind::kControl, nullptr},
    {IDC_RF_OK_LABEL, Kind::kControl, nullptr},
    {IDC_RF_OK_LABEL, Kind::kText, &MonitorDialog::rfOkText},
    {IDC_RF_LOW_LABEL, Kind::kText, &MonitorDialog::rfLowText},
    {IDC_RSSI_THRESHOLD, Kind::kInteger, nullptr},
    {IDC_INFO_CHECK, Kind::kControl, nullptr},
};

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseDecimal(const std::string &text, int32_t *value) {
  // The magnitude of INT32_MIN: past it no digit count fits 32 bits.
  constexpr int64_t kMagnitudeLimit = int64_t{INT32_MAX} + 1;
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const size_t digits = i;
  int64_t magnitude = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kMagnitudeLimit) return false;
  }
  if (i == digits) return false;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i != text.size() || (!negative && magnitude > INT32_MAX)) return false;
  *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

// The lines go out before the window shows what they tell.
void MonitorDialog::Refresh() {
  WriteLines();
  refreshSkipped_ = false;
  lastRefreshMs_ = surface_.SteadyMilliseconds();
  if (barShown_ != state_.wheelPosition) PutWheelBar();
  for (const ExchangeEntry &entry : kExchangeTable) {
    switch (entry.kind) {
      case Kind::kText:
        surface_.SetControlText(entry.controlId, this->*entry.text);
        break;
      case Kind::kInteger:
        surface_.SetControlText(entry.controlId, std::to_string(rssiThreshold));
        break;
      case Kind::kControl:
        if (!controlsBound_) surface_.BindControl(entry.controlId);
        break;
    }
  }
  controlsBound_ = true;
}

void MonitorDialog::FinishRefresh() {
  if (infoSkipped_) ShowReceiverInfo(refreshSkipped_);
  if (refreshSkipped_) Refresh();
}

void MonitorDialog::WriteLines() {
  if (pendingLines_.empty()) return;
  out_ << pendingLines_ << std::flush;
  pendingLines_.clear();
}

bool MonitorDialog::ReadBack() {
  FinishRefresh();
  for (const ExchangeEntry &entry : kExchangeTable) {
    if (entry.kind == Kind::kText) {
      this->*entry.text = surface_.ControlText(entry.controlId);
    } else if (entry.kind == Kind::kInteger &&
               !ParseDecimal(surface_.ControlText(entry.controlId), &rssiThreshold)) {
      surface_.ShowMessage("请键入一个整数。", MessageIcon::kExclamation);
      surface_.FocusControl(entry.controlId);
      return false;
    }
  }
  return true;
}

}  // namespace tarvex
