#include "pendant_window.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>

#include "key_buttons.h"
#include "pendant_resource.h"
#include "wheel_control.h"
#include "window_state.h"

namespace pendant_window {

namespace {

constexpr uint32_t kWatchSliceMs = 200;  // how soon the watcher sees a close
constexpr DWORD kPlayerEndMs = 5000;     // a play's command that waits, at closing
const COLORREF kLcdBackground = RGB(156, 196, 100);
const COLORREF kLcdInk = RGB(24, 40, 16);

struct Start {
  WindowState *window;
  HANDLE shown;
  bool ok;
};

int CALLBACK NoteFontFound(const LOGFONTW *, const TEXTMETRICW *, DWORD, LPARAM found) {
  *reinterpret_cast<bool *>(found) = true;
  return 0;
}

bool FontPresent(HDC dc, const wchar_t *face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// Faces with every GBK character at one width; the first one present wins.
HFONT MakeLcdFont(HWND dialog) {
  static const wchar_t *const kFaces[] = {L"NSimSun", L"WenQuanYi Micro Hei Mono", L"SimSun"};
  HDC dc = GetDC(dialog);
  const wchar_t *chosen = kFaces[0];
  for (const wchar_t *face : kFaces) {
    if (FontPresent(dc, face)) {
      chosen = face;
      break;
    }
  }
  ReleaseDC(dialog, dc);
  return CreateFontW(-18, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     FIXED_PITCH | FF_MODERN, chosen);
}

bool IsLcdLine(int id) { return id >= IDC_PENDANT_LCD_LINE1 && id < IDC_PENDANT_LCD_LINE1 + 4; }

// Posts one refresh after each change of the model; a refresh already
// posted and not yet handled covers later changes too.
DWORD WINAPI WatchModel(void *context) {
  auto *w = static_cast<WindowState *>(context);
  uint64_t seen = 0;
  while (!w->closing) {
    const uint64_t now = w->receiver.WaitForChange(seen, kWatchSliceMs);
    if (now == seen) continue;
    seen = now;
    if (!w->refreshPosted.exchange(true)) PostMessageW(w->dialog, WM_MODEL_CHANGED, 0, 0);
  }
  return 0;
}

void OnInit(WindowState &w) {
  w.lcdFont = MakeLcdFont(w.dialog);
  w.lcdBrush = CreateSolidBrush(kLcdBackground);
  for (int line = 0; line < 4; ++line) {
    SendDlgItemMessageW(w.dialog, IDC_PENDANT_LCD_LINE1 + line, WM_SETFONT,
                        reinterpret_cast<WPARAM>(w.lcdFont), FALSE);
  }
  for (int key = 0; key < PENDANT_KEY_COUNT; ++key) {
    WatchKeyButton(GetDlgItem(w.dialog, IDC_PENDANT_KEY_FIRST + key));
  }
  FillChoices(w);
  InitPlayControls(w);
  RefreshView(w);
  // Beside a centred main window of another program: the top right.
  RECT area, frame;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(w.dialog, &frame);
  SetWindowPos(w.dialog, nullptr, area.right - (frame.right - frame.left), area.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR OnColor(WindowState &w, HDC dc, HWND control) {
  if (!IsLcdLine(GetDlgCtrlID(control))) return FALSE;
  SetTextColor(dc, kLcdInk);
  SetBkColor(dc, kLcdBackground);
  return reinterpret_cast<INT_PTR>(w.lcdBrush);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto *w = reinterpret_cast<WindowState *>(GetWindowLongPtrW(dialog, DWLP_USER));
  // Controls may notify while the dialog is still being made.
  if (!w && message != WM_INITDIALOG) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      w = reinterpret_cast<WindowState *>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      w->dialog = dialog;
      OnInit(*w);
      return TRUE;
    case WM_MODEL_CHANGED:
      w->refreshPosted = false;
      RefreshView(*w);
      return TRUE;
    case WM_PLAY_CHANGED:
      ShowPlay(*w);
      return TRUE;
    case WM_COMMAND:
      OnControl(*w, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_PENDANT_RSSI)) {
        OnRssiScroll(*w, LOWORD(wParam));
      }
      return TRUE;
    case WM_WHEEL_TURNED:
      RunAction(*w, "wheel " + std::to_string(static_cast<LONG_PTR>(wParam)));
      return TRUE;
    case WM_KEY_PRESSED:
      OnKeyPressed(*w, static_cast<int>(wParam), lParam != 0);
      return TRUE;
    case WM_KEY_RELEASED:
      OnKeyReleased(*w, static_cast<int>(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return OnColor(*w, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE:
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

bool RegisterDialogClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefDlgProcW;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"" PENDANT_WINDOW_CLASS;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void RunMessageLoop(HWND dialog) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

DWORD WINAPI WindowThread(void *context) {
  auto *start = static_cast<Start *>(context);
  WindowState *w = start->window;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  start->ok = RegisterDialogClass(instance) && RegisterWheelControl(instance) &&
              CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PENDANT), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(w)) != nullptr;
  HANDLE watcher = nullptr;
  if (start->ok) {
    ShowWindow(w->dialog, SW_SHOW);
    watcher = CreateThread(nullptr, 0, WatchModel, w, 0, nullptr);
  }
  SetEvent(start->shown);  // `start` is gone after this
  if (!w->dialog) return 1;
  RunMessageLoop(w->dialog);
  w->closing = true;
  if (w->player) {
    w->player->Stop();  // a sleep ends at once; a waiting command when it is done
    w->player->Join(kPlayerEndMs);
  }
  if (watcher) {
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }
  DeleteObject(w->lcdFont);
  DeleteObject(w->lcdBrush);
  if (w->onClosed) w->onClosed();
  return 0;
}

}  // namespace

bool OpenPendantWindow(vreceiver::script::Interpreter &interpreter, vreceiver::Receiver &receiver,
                       std::function<void()> onClosed) {
  // Lives until the process ends: the watcher and the window use it.
  auto *w = new WindowState{interpreter, receiver, std::move(onClosed)};
  Start start{w, CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
  HANDLE thread = CreateThread(nullptr, 0, WindowThread, &start, 0, nullptr);
  if (!thread) return false;
  WaitForSingleObject(start.shown, INFINITE);
  CloseHandle(start.shown);
  CloseHandle(thread);
  return start.ok;
}

}  // namespace pendant_window
