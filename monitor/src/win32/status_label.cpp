#include "status_label.h"

#include "gbk_text.h"

namespace tarvex::win32 {

StatusLabel::StatusLabel()
    : textColor(GetSysColor(COLOR_WINDOWTEXT)),
      backgroundBrush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))),
      logFont() {
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont);
  font = CreateFontIndirectW(&logFont);
}

StatusLabel::~StatusLabel() {
  DeleteObject(font);
  DeleteObject(backgroundBrush);
}

StatusLabel &StatusLabel::SetLabelText(const std::string &gbk) {
  SetWindowTextW(control_, gbk::GbkToWide(gbk).c_str());
  return *this;
}

StatusLabel &StatusLabel::SetBackgroundColor(COLORREF color) {
  if (backgroundBrush != nullptr) DeleteObject(backgroundBrush);
  backgroundBrush = CreateSolidBrush(color);
  return *this;
}

HBRUSH StatusLabel::OnCtlColor(HDC dc, UINT kind) {
  if (kind == CTLCOLOR_STATIC) {
    SelectObject(dc, font);
    SetTextColor(dc, textColor);
    SetBkMode(dc, TRANSPARENT);
  }
  return backgroundBrush;
}

}  // namespace tarvex::win32
