#include "wheel_control.h"

#include <algorithm>
#include <cmath>

namespace pendant_window {

namespace {

constexpr UINT_PTR kFlushTimer = 1;
constexpr UINT kReportIntervalMs = 40;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDetent = 2 * kPi / kDetentsPerTurn;

struct Wheel {
  long position = 0;    // detents, as the model last said
  long pending = 0;     // detents turned and not yet sent
  double fraction = 0;  // part of a detent from the mouse wheel or a drag
  bool dragging = false;
  double lastAngle = 0;
};

Wheel *StateOf(HWND window) {
  return reinterpret_cast<Wheel *>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

double AngleAt(HWND window, LPARAM point) {
  RECT client;
  GetClientRect(window, &client);
  const double dx = static_cast<short>(LOWORD(point)) - client.right / 2.0;
  const double dy = static_cast<short>(HIWORD(point)) - client.bottom / 2.0;
  return std::atan2(dy, dx);  // grows clockwise on the screen
}

// Adds a turn of `detents` (may be fractional) and starts the send timer.
void Turn(HWND window, Wheel *wheel, double detents) {
  wheel->fraction += detents;
  const long whole = static_cast<long>(wheel->fraction);
  if (whole == 0) return;
  wheel->fraction -= whole;
  wheel->pending += whole;
  SetTimer(window, kFlushTimer, kReportIntervalMs, nullptr);
  InvalidateRect(window, nullptr, FALSE);
}

void Flush(HWND window, Wheel *wheel) {
  const long delta = std::clamp(wheel->pending, -128L, 127L);
  wheel->pending -= delta;
  if (wheel->pending == 0) KillTimer(window, kFlushTimer);
  if (delta == 0) return;
  wheel->position += delta;  // shown at once; the model confirms it
  SendMessageW(GetParent(window), WM_WHEEL_TURNED,
               static_cast<WPARAM>(static_cast<LONG_PTR>(delta)), GetDlgCtrlID(window));
}

POINT OnCircle(POINT centre, double radius, double angle) {
  return POINT{centre.x + static_cast<LONG>(std::lround(radius * std::cos(angle))),
               centre.y + static_cast<LONG>(std::lround(radius * std::sin(angle)))};
}

void DrawWheel(HDC dc, const RECT &client, const Wheel &wheel, bool focused) {
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const POINT centre{client.right / 2, client.bottom / 2};
  const int radius = std::min(client.right, client.bottom) / 2 - 2;
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, focused ? RGB(0, 90, 200) : RGB(60, 60, 60));
  SetDCBrushColor(dc, RGB(200, 200, 205));
  Ellipse(dc, centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius);
  const double turned = (wheel.position + wheel.pending) * kRadiansPerDetent - kPi / 2;
  SetDCPenColor(dc, RGB(60, 60, 60));
  for (int detent = 0; detent < kDetentsPerTurn; detent += 5) {
    const double angle = turned + detent * kRadiansPerDetent;
    const double inner = radius * (detent % 25 == 0 ? 0.72 : 0.84);
    const POINT from = OnCircle(centre, inner, angle), to = OnCircle(centre, radius - 2, angle);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
  }
  const POINT knob = OnCircle(centre, radius * 0.45, turned);
  const int knobRadius = std::max(3, radius / 7);
  SetDCBrushColor(dc, RGB(200, 40, 40));
  Ellipse(dc, knob.x - knobRadius, knob.y - knobRadius, knob.x + knobRadius, knob.y + knobRadius);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
}

// Drawn into a memory bitmap first so that turning does not flicker.
void Paint(HWND window, const Wheel &wheel) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  DrawWheel(memory, client, wheel, GetFocus() == window);
  BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

bool OnKey(HWND window, Wheel *wheel, WPARAM key) {
  switch (key) {
    case VK_UP:
    case VK_RIGHT:
      Turn(window, wheel, 1);
      return true;
    case VK_DOWN:
    case VK_LEFT:
      Turn(window, wheel, -1);
      return true;
    case VK_PRIOR:
      Turn(window, wheel, 10);
      return true;
    case VK_NEXT:
      Turn(window, wheel, -10);
      return true;
    default:
      return false;
  }
}

void OnDrag(HWND window, Wheel *wheel, LPARAM point) {
  const double angle = AngleAt(window, point);
  double step = angle - wheel->lastAngle;
  if (step > kPi) step -= 2 * kPi;
  if (step < -kPi) step += 2 * kPi;
  wheel->lastAngle = angle;
  Turn(window, wheel, step / kRadiansPerDetent);
}

LRESULT CALLBACK WheelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Wheel *wheel = StateOf(window);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Wheel));
      break;
    case WM_NCDESTROY:
      delete wheel;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    case WM_PAINT:
      Paint(window, *wheel);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL:
      Turn(window, wheel, static_cast<short>(HIWORD(wParam)) / double(WHEEL_DELTA));
      return 0;
    case WM_KEYDOWN:
      if (OnKey(window, wheel, wParam)) return 0;
      break;
    case WM_LBUTTONDOWN:
      SetFocus(window);
      SetCapture(window);
      wheel->dragging = true;
      wheel->fraction = 0;
      wheel->lastAngle = AngleAt(window, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (wheel->dragging) OnDrag(window, wheel, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      // A part of a detent left at the end of a drag snaps back, as on
      // the real wheel, and does not carry into the next turn.
      if (wheel->dragging) wheel->fraction = 0;
      wheel->dragging = false;
      if (GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_TIMER:
      if (wParam == kFlushTimer) Flush(window, wheel);
      return 0;
    case WM_WHEEL_SET_POSITION:
      if (wheel->position != static_cast<long>(static_cast<LONG_PTR>(wParam))) {
        wheel->position = static_cast<long>(static_cast<LONG_PTR>(wParam));
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterWheelControl(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WheelProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_HAND);
  wc.lpszClassName = L"PendantWheel";
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace pendant_window
