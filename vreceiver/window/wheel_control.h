// The handwheel, drawn as a wheel (window class "PendantWheel"). The mouse
// wheel (one detent a notch), dragging round the centre and the arrow keys
// (Page Up/Down ten) turn it. The detents turned are gathered for one
// report interval and sent to the parent as one WM_WHEEL_TURNED, so faster
// turns make larger deltas, at most -128..127 a message.
#pragma once

#include <windows.h>

namespace pendant_window {

constexpr UINT WM_WHEEL_TURNED = WM_APP + 1;        // to the parent: wParam = delta (signed)
constexpr UINT WM_WHEEL_SET_POSITION = WM_APP + 2;  // to the wheel: wParam = detents (signed)
constexpr int kDetentsPerTurn = 100;

bool RegisterWheelControl(HINSTANCE instance);

}  // namespace pendant_window
