#include "key_buttons.h"

namespace pendant_window {

namespace {

LRESULT CALLBACK KeyButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(button, GWLP_USERDATA));
  const WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(button));
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    // The flags of the message, not the keyboard's state now: a posted
    // press (the UI probe) carries its own.
    SendMessageW(GetParent(button), WM_KEY_PRESSED, id, (wParam & MK_SHIFT) ? 1 : 0);
  }
  const LRESULT result = CallWindowProcW(original, button, message, wParam, lParam);
  if (message == WM_LBUTTONUP) SendMessageW(GetParent(button), WM_KEY_RELEASED, id, 0);
  return result;
}

}  // namespace

void WatchKeyButton(HWND button) {
  LONG_PTR original = GetWindowLongPtrW(button, GWLP_WNDPROC);
  SetWindowLongPtrW(button, GWLP_USERDATA, original);
  SetWindowLongPtrW(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyButtonProc));
}

}  // namespace pendant_window
