#include "shown_texts.h"

namespace tarvex::win32 {

bool ShownTexts::Shows(HWND control, const std::string &text) const {
  const auto shown = shown_.find(control);
  return shown != shown_.end() && shown->second == text;
}

void ShownTexts::Set(HWND control, const std::string &text) {
  if (control == nullptr) return;
  Watch(control);
  shown_[control] = text;
}

// The control's own data slot carries this object: the static and edit
// controls leave GWLP_USERDATA to the application, and reading it asks no
// window server.
void ShownTexts::Watch(HWND control) {
  if (original_.count(control) != 0) return;
  SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_[control] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchProc)));
}

// Any WM_SETTEXT forgets: the window's own is recorded again by Set.
LRESULT CALLBACK ShownTexts::WatchProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *self = reinterpret_cast<ShownTexts *>(GetWindowLongPtrW(control, GWLP_USERDATA));
  if (message == WM_SETTEXT) self->Forget(control);
  return CallWindowProcW(self->original_[control], control, message, wParam, lParam);
}

}  // namespace tarvex::win32
