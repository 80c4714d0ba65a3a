// Runs the main window modally from template 102 and routes its messages to
// the window logic.
#pragma once

#include <windows.h>

#include <iosfwd>

#include "monitor_dialog.h"
#include "status_label.h"
#include "win32_surface.h"

namespace tarvex::win32 {

class DialogHost {
 public:
  DialogHost(HINSTANCE instance, LibraryBinding &binding, MonitorState &state, std::ostream &out);
  INT_PTR RunModal();

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog(HWND window);
  bool OnCommand(HWND window, WORD id, WORD notification);
  bool PaintMinimised(HWND window);
  static INT_PTR Result(HWND window, LRESULT result);

  HICON Icon() const { return static_cast<HICON>(dialog_.icon); }

  HINSTANCE instance_;
  StatusLabel rfLowLabel_;
  StatusLabel rfOkLabel_;
  Win32Surface surface_;
  DeviceLibrary library_;
  MonitorDialog dialog_;
};

}  // namespace tarvex::win32
