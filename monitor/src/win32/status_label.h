// A static text control painted with its own text colour, background brush
// and font; the parent hands it the control's WM_CTLCOLORSTATIC.
#pragma once

#include <windows.h>

#include <string>

namespace tarvex::win32 {

class StatusLabel {
 public:
  StatusLabel();
  ~StatusLabel();
  StatusLabel(const StatusLabel &) = delete;
  StatusLabel &operator=(const StatusLabel &) = delete;

  void Attach(HWND control) { control_ = control; }
  HWND Control() const { return control_; }

  StatusLabel &SetLabelText(const std::string &gbk);
  // Takes effect at the next painting.
  StatusLabel &SetBackgroundColor(COLORREF color);
  HBRUSH OnCtlColor(HDC dc, UINT kind);

 private:
  HWND control_ = nullptr;
  COLORREF textColor;
  HBRUSH backgroundBrush;
  LOGFONTW logFont;
  HFONT font;
};

}  // namespace tarvex::win32
