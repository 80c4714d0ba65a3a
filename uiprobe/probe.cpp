#include "probe.h"

#include <algorithm>
#include <cmath>

#include "gbk_text.h"
#include "pendant_resource.h"
#include "tarvex_title.h"
#include "text.h"

namespace uiprobe {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr UINT kAboutCommand = 16;
const wchar_t kMainTitle[] = L"" TARVEX_TITLE;

std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length)) {
    return "";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                      SMTO_NORMAL, kSendTimeoutMs, &copied);
  text.resize(copied);
  return gbk::WideToUtf8(text);
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return gbk::WideToUtf8(name);
}

struct DialogSearch {
  HWND main;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM context) {
  auto *search = reinterpret_cast<DialogSearch *>(context);
  if (window != search->main && GetWindow(window, GW_OWNER) == search->main &&
      IsWindowVisible(window) && ClassOf(window) == "#32770") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindTarvexWindow() { return FindWindowW(nullptr, kMainTitle); }

HWND FindPendantWindow() { return FindWindowW(L"" PENDANT_WINDOW_CLASS, nullptr); }

HWND Control(HWND main, int id) { return main ? GetDlgItem(main, id) : nullptr; }

bool ControlText(HWND main, int id, std::string *utf8) {
  HWND control = Control(main, id);
  if (!control) return false;
  *utf8 = WindowText(control);
  return true;
}

bool SetControlText(HWND main, int id, const std::string &utf8) {
  HWND control = Control(main, id);
  if (!control) return false;
  std::wstring wide = gbk::Utf8ToWide(utf8);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                             SMTO_NORMAL, kSendTimeoutMs, &result) != 0;
}

bool ControlVisible(HWND main, int id) {
  HWND control = Control(main, id);
  return control && IsWindowVisible(control);
}

int ScrollPosition(HWND main, int id) {
  HWND control = Control(main, id);
  return control ? GetScrollPos(control, SB_CTL) : -1;
}

int CheckState(HWND main, int id) {
  HWND control = Control(main, id);
  DWORD_PTR state = 0;
  if (!control ||
      !SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &state)) {
    return -1;
  }
  return static_cast<int>(state);
}

bool Click(HWND main, int id) {
  HWND control = Control(main, id);
  return control && PostMessageW(control, BM_CLICK, 0, 0);
}

void OpenAboutBox(HWND main) { PostMessageW(main, WM_SYSCOMMAND, kAboutCommand, 0); }

void Close(HWND main) { PostMessageW(main, WM_CLOSE, 0, 0); }

bool Choose(HWND main, int id, const std::string &utf8) {
  HWND combo = Control(main, id);
  if (!combo) return false;
  std::wstring wanted = gbk::Utf8ToWide(utf8);
  DWORD_PTR index = 0;
  if (!SendMessageTimeoutW(combo, CB_FINDSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(wanted.c_str()), SMTO_NORMAL, kSendTimeoutMs,
                           &index) ||
      static_cast<LRESULT>(index) == CB_ERR) {
    return false;
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutW(combo, CB_SETCURSEL, index, 0, SMTO_NORMAL, kSendTimeoutMs, &result);
  return PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                      reinterpret_cast<LPARAM>(combo)) != 0;
}

void MoveTo(HWND main, int x, int y) {
  SetWindowPos(main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDetentsPerTurn = 100;  // as the pendant window's wheel
constexpr double kDragStepDegrees = 10;

LPARAM PointOn(HWND wheel, double degrees) {
  RECT client;
  GetClientRect(wheel, &client);
  const double radius = std::min(client.right, client.bottom) * 0.4;
  const double angle = degrees * kPi / 180;
  const long x = std::lround(client.right / 2.0 + radius * std::cos(angle));
  const long y = std::lround(client.bottom / 2.0 + radius * std::sin(angle));
  return MAKELPARAM(x, y);
}

// Drags from the right of the centre round by the detents' angle, in steps
// a user's mouse would make, and half a detent on so that pixel rounding
// cannot fall short of the last one.
bool Drag(HWND wheel, int detents) {
  const double sign = detents < 0 ? -1 : 1;
  const double total = (detents + sign / 2) * 360 / kDetentsPerTurn;
  bool ok = PostMessageW(wheel, WM_LBUTTONDOWN, MK_LBUTTON, PointOn(wheel, 0)) != 0;
  for (double done = 0; ok && done != total;) {
    done = sign * std::min(std::abs(total), std::abs(done) + kDragStepDegrees);
    ok = PostMessageW(wheel, WM_MOUSEMOVE, MK_LBUTTON, PointOn(wheel, done)) != 0;
  }
  return ok && PostMessageW(wheel, WM_LBUTTONUP, 0, PointOn(wheel, total)) != 0;
}

bool PressArrows(HWND wheel, int detents) {
  const WPARAM key = detents < 0 ? VK_DOWN : VK_UP;
  for (int i = 0; i < std::abs(detents); ++i) {
    if (!PostMessageW(wheel, WM_KEYDOWN, key, 1) || !PostMessageW(wheel, WM_KEYUP, key, 1)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool TurnWheel(HWND pendant, int detents, TurnBy by) {
  HWND wheel = Control(pendant, IDC_PENDANT_WHEEL);
  if (!wheel) return false;
  if (by == TurnBy::kDrag) return Drag(wheel, detents);
  if (by == TurnBy::kKeys) return PressArrows(wheel, detents);
  const auto delta = static_cast<WORD>(static_cast<short>(detents * WHEEL_DELTA));
  return PostMessageW(wheel, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0) != 0;
}

bool PressKey(HWND pendant, int keyCode, bool down, bool shift) {
  HWND key = Control(pendant, IDC_PENDANT_KEY_FIRST - 1 + keyCode);
  if (!key || keyCode < 1 || keyCode > PENDANT_KEY_COUNT) return false;
  const WPARAM flags = down ? (MK_LBUTTON | (shift ? MK_SHIFT : 0)) : 0;
  return PostMessageW(key, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, flags, MAKELPARAM(4, 4)) != 0;
}

bool LcdLines(HWND pendant, std::vector<std::string> *gbk) {
  gbk->clear();
  for (int line = 0; line < 4; ++line) {
    std::string utf8;
    if (!ControlText(pendant, IDC_PENDANT_LCD_LINE1 + line, &utf8)) return false;
    gbk->push_back(vreceiver::script::Utf8ToGbk(utf8));
  }
  return true;
}

bool FindOwnedDialog(HWND main, OwnedDialog *dialog) {
  DialogSearch search{main, nullptr};
  EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  dialog->window = search.found;
  dialog->title = WindowText(search.found);
  dialog->texts.clear();
  for (HWND child = GetWindow(search.found, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) != "Static") continue;
    std::string text = WindowText(child);
    if (!text.empty()) dialog->texts.push_back(text);
  }
  return true;
}

void PressOk(const OwnedDialog &dialog) {
  HWND ok = GetDlgItem(dialog.window, IDOK);
  if (ok) {
    PostMessageW(ok, BM_CLICK, 0, 0);
  } else {
    PostMessageW(dialog.window, WM_COMMAND, IDOK, 0);
  }
}

std::string Describe(HWND main) {
  std::string text = "window \"" + WindowText(main) + "\"";
  for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    std::string value = WindowText(child);
    int id = GetDlgCtrlID(child);
    text += "\n" + std::to_string(id) + " " + ClassOf(child) +
            (IsWindowVisible(child) ? " visible" : " hidden") + " \"" + value + "\"";
    std::string gbk = vreceiver::script::Utf8ToGbk(value);
    if (!gbk.empty()) text += " gbk=" + vreceiver::script::HexOf(gbk);
    if (ClassOf(child) == "ScrollBar")
      text += " pos=" + std::to_string(GetScrollPos(child, SB_CTL));
  }
  return text;
}

}  // namespace uiprobe
