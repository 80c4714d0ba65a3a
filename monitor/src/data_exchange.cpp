// Refresh (members to controls) and read-back (controls to members) over the
// window's fixed exchange table.
#include <cctype>
#include <cstdlib>
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

}  // namespace

bool ParseDecimal(const std::string &text, int32_t *value) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  const size_t digits = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == digits || i - digits > 10) return false;
  const long long parsed = std::strtoll(text.substr(start, i - start).c_str(), nullptr, 10);
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i != text.size() || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<int32_t>(parsed);
  return true;
}

void MonitorDialog::Refresh() {
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

bool MonitorDialog::ReadBack() {
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
