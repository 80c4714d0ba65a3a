#include "win32_surface.h"

#include "gbk_text.h"
#include "resource.h"

namespace tarvex::win32 {
namespace {

// The executable's file name without folder and extension.
std::wstring ApplicationName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name(path);
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

INT_PTR CALLBACK AboutProc(HWND box, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    RECT owner, self;
    GetWindowRect(GetWindow(box, GW_OWNER), &owner);
    GetWindowRect(box, &self);
    const int x = (owner.left + owner.right - (self.right - self.left)) / 2;
    const int y = (owner.top + owner.bottom - (self.bottom - self.top)) / 2;
    SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(box, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, &text[0], length + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

}  // namespace

Win32Surface::Win32Surface(HINSTANCE instance, StatusLabel &rfLowLabel, StatusLabel &rfOkLabel)
    : instance_(instance),
      rfLowLabel_(rfLowLabel),
      rfOkLabel_(rfOkLabel),
      appName_(ApplicationName()) {}

StatusLabel *Win32Surface::LabelById(int id) {
  if (id == IDC_RF_LOW_LABEL) return &rfLowLabel_;
  if (id == IDC_RF_OK_LABEL) return &rfOkLabel_;
  return nullptr;
}

StatusLabel *Win32Surface::LabelOf(HWND control) {
  if (control != nullptr && control == rfLowLabel_.Control()) return &rfLowLabel_;
  if (control != nullptr && control == rfOkLabel_.Control()) return &rfOkLabel_;
  return nullptr;
}

std::string Win32Surface::ControlText(int id) const { return gbk::WideToGbk(WindowText(Item(id))); }

HWND Win32Surface::Item(int id) const {
  const auto known = items_.find(id);
  if (known != items_.end()) return known->second;
  const HWND item = GetDlgItem(window_, id);
  if (item != nullptr) items_[id] = item;
  return item;
}

// A control already showing the text is left alone: setting it again
// repaints it at once. Text typed into a field or set by another program
// differs, so it is still replaced.
void Win32Surface::SetControlText(int id, const std::string &text) {
  const HWND control = Item(id);
  if (shown_.Shows(control, text)) return;
  if (StatusLabel *label = LabelById(id)) {
    label->SetLabelText(text);
  } else {
    SetWindowTextW(control, gbk::GbkToWide(text).c_str());
  }
  shown_.Set(control, text);
}

void Win32Surface::ControlChanged(int id) { shown_.Forget(Item(id)); }

void Win32Surface::BindControl(int id) {
  if (StatusLabel *label = LabelById(id)) label->Attach(Item(id));
}

void Win32Surface::ShowControl(int id, bool visible) {
  ShowWindow(Item(id), visible ? SW_SHOW : SW_HIDE);
}

void Win32Surface::SetLabelBackground(int id, uint32_t colorRef) {
  if (StatusLabel *label = LabelById(id)) label->SetBackgroundColor(colorRef);
}

void Win32Surface::FocusControl(int id) {
  const HWND item = Item(id);
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
  SendMessageW(item, EM_SETSEL, 0, -1);
}

void Win32Surface::SetScrollRange(int id, int minimum, int maximum) {
  ::SetScrollRange(Item(id), SB_CTL, minimum, maximum, TRUE);
}

// Without an immediate redraw: the invalidation that always follows paints
// the bar once, at the window's next painting (under Wine each drawing of
// the bar asks the window server some 60 times).
void Win32Surface::SetScrollPos(int id, int position) {
  ::SetScrollPos(Item(id), SB_CTL, position, FALSE);
}

void Win32Surface::InvalidateControl(int id) {
  RECT client;
  GetClientRect(Item(id), &client);
  InvalidateRect(Item(id), &client, FALSE);
}

void Win32Surface::SetCheck(int id, bool checked) {
  SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Surface::ShowMessage(const std::string &text, MessageIcon icon) {
  const UINT style = MB_OK | (icon == MessageIcon::kExclamation ? MB_ICONEXCLAMATION : 0u);
  MessageBoxW(window_, gbk::GbkToWide(text).c_str(), appName_.c_str(), style);
}

bool Win32Surface::PostToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageW(window_, message, wParam, lParam) != FALSE;
}

// QS_ALLPOSTMESSAGE stays set while any posted message is left, whatever
// filter the last retrieval used (QS_POSTMESSAGE need not).
bool Win32Surface::PostedMessageWaiting() const {
  return (HIWORD(GetQueueStatus(QS_ALLPOSTMESSAGE)) & QS_ALLPOSTMESSAGE) != 0;
}

// The performance counter: GetTickCount64 moves in steps of 15.6 ms on
// Windows, too coarse for a 50 ms bound.
uint64_t Win32Surface::SteadyMilliseconds() const {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<uint64_t>(now.QuadPart) / (static_cast<uint64_t>(frequency.QuadPart) / 1000);
}

uint32_t Win32Surface::StartTimer(uint32_t id, uint32_t periodMs) {
  return static_cast<uint32_t>(SetTimer(window_, id, periodMs, nullptr));
}

void Win32Surface::StopTimer(uint32_t id) { KillTimer(window_, id); }

void Win32Surface::AddSystemMenuItem(uint32_t commandId, uint32_t stringId) {
  const HMENU menu = GetSystemMenu(window_, FALSE);
  if (menu == nullptr) return;
  wchar_t text[256] = {};
  if (LoadStringW(instance_, stringId, text, 256) <= 0) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, commandId, text);
}

void Win32Surface::ShowAboutBox() {
  DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUTBOX), window_, AboutProc, 0);
}

IconHandle Win32Surface::LoadAppIcon(int resourceId) {
  return LoadIconW(instance_, MAKEINTRESOURCEW(resourceId));
}

void Win32Surface::SetWindowIcon(IconSize size, IconHandle icon) {
  SendMessageW(window_, WM_SETICON, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(icon));
}

// The dialog manager calls the dialog procedure first; while this runs, the
// procedure answers "not handled" so the manager's own processing follows.
void Win32Surface::DefaultDestroy() {
  runningDefault_ = true;
  DefDlgProcW(window_, WM_DESTROY, 0, 0);
  runningDefault_ = false;
}

}  // namespace tarvex::win32
