// The main window's surface over the real dialog: wide API throughout, texts
// converted from and to GBK.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "shown_texts.h"
#include "status_label.h"
#include "window_surface.h"

namespace tarvex::win32 {

class Win32Surface : public WindowSurface {
 public:
  Win32Surface(HINSTANCE instance, StatusLabel &rfLowLabel, StatusLabel &rfOkLabel);

  void Attach(HWND window) { window_ = window; }
  // True while DefaultDestroy has the dialog manager process a message: the
  // dialog procedure then leaves it to the default.
  bool RunningDefault() const { return runningDefault_; }
  // The label painted through this control, or null.
  StatusLabel *LabelOf(HWND control);
  // The control's text changed (an edit field's EN_CHANGE): it may no
  // longer show what was last set.
  void ControlChanged(int id);

  void *Handle() const override { return window_; }
  std::string ControlText(int id) const override;
  void SetControlText(int id, const std::string &text) override;
  void BindControl(int id) override;
  void ShowControl(int id, bool visible) override;
  void SetLabelBackground(int id, uint32_t colorRef) override;
  void FocusControl(int id) override;
  void SetScrollRange(int id, int minimum, int maximum) override;
  void SetScrollPos(int id, int position) override;
  void InvalidateControl(int id) override;
  void SetCheck(int id, bool checked) override;
  void ShowMessage(const std::string &text, MessageIcon icon) override;
  bool PostToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool PostedMessageWaiting() const override;
  uint64_t SteadyMilliseconds() const override;
  uint32_t StartTimer(uint32_t id, uint32_t periodMs) override;
  void StopTimer(uint32_t id) override;
  void AddSystemMenuItem(uint32_t commandId, uint32_t stringId) override;
  void ShowAboutBox() override;
  IconHandle LoadAppIcon(int resourceId) override;
  void SetWindowIcon(IconSize size, IconHandle icon) override;
  void DefaultDestroy() override;

 private:
  HWND Item(int id) const;
  StatusLabel *LabelById(int id);

  HINSTANCE instance_;
  HWND window_ = nullptr;
  StatusLabel &rfLowLabel_;
  StatusLabel &rfOkLabel_;
  std::wstring appName_;
  bool runningDefault_ = false;
  // The dialog's controls by id: GetDlgItem asks the window server each
  // time under Wine, and the controls live as long as the dialog.
  mutable std::map<int, HWND> items_;
  ShownTexts shown_;
};

}  // namespace tarvex::win32
