// What the window logic needs of the main window: control texts (GBK bytes),
// visibility, the wheel bar, message boxes, posting to itself, timers,
// icons and the framework's default processing.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

enum class MessageIcon { kNone, kExclamation };

// An icon of the application's resources (HICON on Win32).
using IconHandle = void *;
// WM_SETICON's wParam: which of the window's two icons.
enum class IconSize { kSmall = 0, kBig = 1 };

class WindowSurface {
 public:
  virtual ~WindowSurface() = default;

  // The window handle given to XOpen.
  virtual void *Handle() const = 0;

  virtual std::string ControlText(int id) const = 0;
  virtual void SetControlText(int id, const std::string &text) = 0;
  // Attaches the control to its member object (the two status labels).
  virtual void BindControl(int id) = 0;
  virtual void ShowControl(int id, bool visible) = 0;
  virtual void SetLabelBackground(int id, uint32_t colorRef) = 0;
  virtual void FocusControl(int id) = 0;

  virtual void SetScrollRange(int id, int minimum, int maximum) = 0;
  // Moves the bar's thumb; InvalidateControl has it drawn.
  virtual void SetScrollPos(int id, int position) = 0;
  // Invalidates the control's client area without erasing it.
  virtual void InvalidateControl(int id) = 0;
  virtual void SetCheck(int id, bool checked) = 0;

  // Modal message box owned by the window, application name as caption, OK.
  virtual void ShowMessage(const std::string &text, MessageIcon icon) = 0;
  // False when the message was not posted (the queue is full).
  virtual bool PostToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // True while a posted message waits in the window thread's queue (asks
  // without handling anything, so no message is handled inside the caller).
  virtual bool PostedMessageWaiting() const = 0;
  // A steady clock for spacing the window's redraws.
  virtual uint64_t SteadyMilliseconds() const = 0;
  // The timer id on success, 0 on failure.
  virtual uint32_t StartTimer(uint32_t id, uint32_t periodMs) = 0;
  virtual void StopTimer(uint32_t id) = 0;

  // Separator plus an item with the string resource's text, unless the
  // window has no system menu or the string is empty.
  virtual void AddSystemMenuItem(uint32_t commandId, uint32_t stringId) = 0;
  virtual void ShowAboutBox() = 0;

  // A shared icon resource of the application, never destroyed; null when
  // it is missing.
  virtual IconHandle LoadAppIcon(int resourceId) = 0;
  // Sends WM_SETICON to the window.
  virtual void SetWindowIcon(IconSize size, IconHandle icon) = 0;
  // The dialog framework's own processing of WM_DESTROY.
  virtual void DefaultDestroy() = 0;
};

}  // namespace tarvex
