// The pendant window's controls, set from the receiver model after every
// change of it. Programmatic changes of a choice or a check send no
// notification, so nothing here runs a command.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>

#include "gbk_text.h"
#include "pendant_resource.h"
#include "pendant_texts.h"
#include "vreceiver/pendant.h"
#include "wheel_control.h"
#include "window_state.h"

namespace pendant_window {

namespace {

// The axis selector's off position: a code outside the axis table.
constexpr int kLogLimit = 2000;  // lines kept in the log list

void SetText(HWND dialog, int id, const std::wstring &text) {
  HWND control = GetDlgItem(dialog, id);
  wchar_t now[256] = L"";
  GetWindowTextW(control, now, 256);
  if (text != now) SetWindowTextW(control, text.c_str());
}

void AddChoice(HWND combo, const std::wstring &text, LPARAM code) {
  const auto index = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), code);
}

// Selects the entry whose item data is `code`, or none, when the code is
// not the one shown last.
void SelectChoice(HWND combo, int code, int *shown) {
  if (code == *shown) return;
  *shown = code;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  LRESULT found = -1;
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == code) found = i;
  }
  if (SendMessageW(combo, CB_GETCURSEL, 0, 0) != found) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
  }
}

void SetCheck(HWND dialog, int id, bool on) {
  if ((IsDlgButtonChecked(dialog, id) == BST_CHECKED) != on) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
  }
}

std::wstring Number(long long value) { return std::to_wstring(value); }

void ShowLcd(WindowState &w) {
  const std::vector<vreceiver::DisplayText> texts = w.receiver.DisplayTexts();
  std::vector<std::string> lines(vreceiver::kLcdLineCount);
  std::wstring status = L"尚无显示帧 no display frame yet";
  if (!texts.empty()) {
    const vreceiver::DisplayText &last = texts.back();
    lines = vreceiver::LcdLines(last.payload);
    wchar_t text[96];
    swprintf(text, 96, L"日期 day %u   帧 frames %u   %u bytes", unsigned{last.day},
             static_cast<unsigned>(texts.size()), static_cast<unsigned>(last.payload.size()));
    status = text;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    SetText(w.dialog, IDC_PENDANT_LCD_LINE1 + static_cast<int>(i), LcdLineText(lines[i]));
  }
  SetText(w.dialog, IDC_PENDANT_LCD_STATUS, status);
}

void ShowPendant(WindowState &w) {
  const pendant::PendantState p = vreceiver::Pendant(w.receiver).Now();
  // The wheel shows where it stands within a turn.
  SendDlgItemMessageW(w.dialog, IDC_PENDANT_WHEEL, WM_WHEEL_SET_POSITION,
                      static_cast<WPARAM>(static_cast<LONG_PTR>(p.wheelDetents % kDetentsPerTurn)),
                      0);
  SetText(w.dialog, IDC_PENDANT_WHEEL_TEXT, L"位置 position " + Number(p.wheelDetents));
  std::wstring keys = L"按下 down: ";
  if (p.key1 == 0 && p.key2 == 0) keys += L"-";
  if (p.key1 != 0) keys += Number(p.key1);
  if (p.key2 != 0) keys += L" + " + Number(p.key2);
  SetText(w.dialog, IDC_PENDANT_KEYS_TEXT, keys);
  SelectChoice(GetDlgItem(w.dialog, IDC_PENDANT_AXIS), p.axisCode, &w.shownAxis);
  SelectChoice(GetDlgItem(w.dialog, IDC_PENDANT_STEP), p.stepCode, &w.shownStep);
  SetCheck(w.dialog, IDC_PENDANT_WHEEL_ENABLE, p.wheelEnabled);
  SetCheck(w.dialog, IDC_PENDANT_ESTOP, p.emergencyStop);
}

// A field the user is typing into keeps what they typed.
void SetUnlessFocused(HWND dialog, int id, const std::wstring &text) {
  if (GetFocus() != GetDlgItem(dialog, id)) SetText(dialog, id, text);
}

void ShowReceiver(WindowState &w) {
  SetCheck(w.dialog, IDC_PENDANT_PLUGGED, w.receiver.IsPlugged());
  const uint16_t product = w.receiver.ProductId();
  SelectChoice(GetDlgItem(w.dialog, IDC_PENDANT_PRODUCT), product, &w.shownProduct);
  SetText(w.dialog, IDC_PENDANT_MODEL_TEXT, ProductText(product));
  SetText(w.dialog, IDC_PENDANT_IDENTITY_TEXT, IdentityText(w.receiver.Identity()));
  const vreceiver::ReceiverInfo info = w.receiver.Info();
  SetUnlessFocused(w.dialog, IDC_PENDANT_DEVICE_ID, Number(info.deviceId));
  SetUnlessFocused(w.dialog, IDC_PENDANT_CHANNEL, Number(info.channel));
  HWND slider = GetDlgItem(w.dialog, IDC_PENDANT_RSSI);
  if (GetCapture() != slider) {
    SendMessageW(slider, TBM_SETPOS, TRUE, info.rssi);
    SetText(w.dialog, IDC_PENDANT_RSSI_TEXT, Number(info.rssi));
  }
}

void ShowLog(WindowState &w) {
  HWND list = GetDlgItem(w.dialog, IDC_PENDANT_LOG);
  if (w.receiver.FeatureEventCount() < w.logShown) {  // the log was cleared
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    w.logShown = 0;
  }
  const std::vector<vreceiver::FeatureEvent> events = w.receiver.FeatureEvents(w.logShown);
  if (events.empty()) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (const vreceiver::FeatureEvent &event : events) {
    const std::wstring line = FeatureEventText(event);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  w.logShown += events.size();
  while (SendMessageW(list, LB_GETCOUNT, 0, 0) > kLogLimit)
    SendMessageW(list, LB_DELETESTRING, 0, 0);
  SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(SendMessageW(list, LB_GETCOUNT, 0, 0) - 1),
               0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

void FillChoices(WindowState &w) {
  HWND axis = GetDlgItem(w.dialog, IDC_PENDANT_AXIS);
  for (const SelectorChoice &choice : kAxisChoices) {
    AddChoice(axis, choice.label + (L"  (" + Number(choice.code) + L")"), choice.code);
  }
  HWND step = GetDlgItem(w.dialog, IDC_PENDANT_STEP);
  for (const SelectorChoice &choice : kStepChoices) {
    AddChoice(step, choice.label + (L"  (" + Number(choice.code) + L")"), choice.code);
  }
  HWND product = GetDlgItem(w.dialog, IDC_PENDANT_PRODUCT);
  for (uint16_t id : pendant::kKnownProductIds) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%04X", id);
    AddChoice(product, text, id);
  }
  SendDlgItemMessageW(w.dialog, IDC_PENDANT_RSSI, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
  int logColumns[] = {48, 100};  // dialog units: after the time, after the kind
  SendDlgItemMessageW(w.dialog, IDC_PENDANT_LOG, LB_SETTABSTOPS, 2,
                      reinterpret_cast<LPARAM>(logColumns));
}

void RefreshView(WindowState &w) {
  ShowLcd(w);
  ShowPendant(w);
  ShowReceiver(w);
  ShowLog(w);
}

}  // namespace pendant_window
