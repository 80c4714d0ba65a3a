// Which text each control of the window shows, as the window set it, known
// without asking the control (asking every control on each refresh was a
// cost of every input message). A control whose text anything else changes
// is forgotten, so the next refresh writes it again: WM_SETTEXT from anyone
// (the controls are subclassed to see it) and typing into a field
// (Forget, on the field's EN_CHANGE).
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace tarvex::win32 {

class ShownTexts {
 public:
  ShownTexts() = default;
  ShownTexts(const ShownTexts &) = delete;
  ShownTexts &operator=(const ShownTexts &) = delete;

  bool Shows(HWND control, const std::string &text) const;
  // The window has just set the control's text (the control is watched
  // from its first text on).
  void Set(HWND control, const std::string &text);
  void Forget(HWND control) { shown_.erase(control); }

 private:
  static LRESULT CALLBACK WatchProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
  void Watch(HWND control);

  std::map<HWND, std::string> shown_;
  std::map<HWND, WNDPROC> original_;
};

}  // namespace tarvex::win32
