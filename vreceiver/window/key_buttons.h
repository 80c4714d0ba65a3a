// The keypad's buttons tell the parent when they go down and up (a plain
// button reports only a click), so a key stays pressed while it is held.
#pragma once

#include <windows.h>

namespace pendant_window {

// To the parent: wParam = the button's id; lParam = 1 when Shift was held.
constexpr UINT WM_KEY_PRESSED = WM_APP + 3;
constexpr UINT WM_KEY_RELEASED = WM_APP + 4;

// Makes the button report its presses and releases to its parent.
void WatchKeyButton(HWND button);

}  // namespace pendant_window
