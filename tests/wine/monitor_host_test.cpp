// Checks of Tarvex's Win32 side, run under Wine: the compiled dialog
// templates, GBK text conversion, what the controls are known to show, the
// window's icons and the status label's painting.
// Prints "N passed, N failed".
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gbk_text.h"
#include "resource.h"
#include "status_label.h"
#include "tarvex_title.h"
#include "win32_surface.h"
#include "wine_check.h"

namespace {

// Reads a DLGTEMPLATEEX / DLGTEMPLATE resource field by field.
class TemplateReader {
 public:
  explicit TemplateReader(const void *data) : p_(static_cast<const uint8_t *>(data)) {}
  uint16_t Word() { return Take<uint16_t>(); }
  uint32_t Dword() { return Take<uint32_t>(); }
  int16_t Short() { return static_cast<int16_t>(Word()); }
  uint8_t Byte() { return *p_++; }
  // A string, or an ordinal as "#n".
  std::wstring SzOrOrd() {
    if (Peek() == 0xFFFF) {
      Word();
      return L"#" + std::to_wstring(Word());
    }
    return Sz();
  }
  std::wstring Sz() {
    std::wstring s;
    for (uint16_t c = Word(); c != 0; c = Word()) s += static_cast<wchar_t>(c);
    return s;
  }
  void AlignDword() {
    while (reinterpret_cast<uintptr_t>(p_) % 4) ++p_;
  }
  void Skip(size_t n) { p_ += n; }

 private:
  uint16_t Peek() const { return static_cast<uint16_t>(p_[0] | (p_[1] << 8)); }
  template <typename T>
  T Take() {
    T v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>(v | (T(*p_++) << (8 * i)));
    return v;
  }
  const uint8_t *p_;
};

struct Item {
  uint32_t id;
  const wchar_t *windowClass;  // ordinal of the predefined class
  uint32_t style;
  const wchar_t *text;
  int16_t x, y, cx, cy;
};

constexpr uint32_t kNoId = 0xFFFFFFFF;
const wchar_t kButton[] = L"#128", kEdit[] = L"#129", kStatic[] = L"#130", kScroll[] = L"#132";
constexpr uint32_t kText = 0x50020000, kGroup = 0x50000007, kEditStyle = 0x50810080,
                   kPush = 0x50010000;

const Item kMainItems[] = {
    {kNoId, kStatic, kText, L"Button Pressed", 13, 22, 91, 22},
    {IDC_KEY_TEXT, kStatic, kText, L"Static", 14, 60, 70, 71},
    {kNoId, kButton, kGroup, L"按键测试", 7, 7, 109, 149},
    {IDC_DEVICE_INFO, kStatic, kText, L"Input LCD Data", 333, 7, 125, 31},
    {IDC_LCD_LINE1, kEdit, kEditStyle, L"", 359, 44, 85, 20},
    {IDC_STATUS_TEXT, kStatic, kText, L"Static", 176, 173, 143, 26},
    {IDC_DOWNLOAD, kButton, kPush, L"下载download", 149, 227, 54, 19},
    {kNoId, kStatic, kText, L"1Line", 330, 46, 20, 11},
    {IDC_LCD_LINE2, kEdit, kEditStyle, L"", 361, 73, 85, 21},
    {kNoId, kStatic, kText, L"2Line", 334, 79, 20, 11},
    {IDC_LCD_LINE3, kEdit, kEditStyle, L"", 361, 106, 84, 21},
    {kNoId, kStatic, kText, L"3Line", 331, 113, 20, 11},
    {IDC_AXIS_TEXT, kStatic, kText, L"Static", 374, 173, 107, 30},
    {IDC_STEP_TEXT, kStatic, kText, L"Static", 7, 170, 117, 23},
    {IDC_WHEEL_BAR, kScroll, 0x50000001, L"", 277, 21, 28, 133},
    {IDC_WHEEL_TOTAL, kStatic, kText, L"Static", 241, 72, 26, 29},
    {IDC_LCD_LINE4, kEdit, kEditStyle, L"", 362, 143, 83, 18},
    {kNoId, kStatic, kText, L"4Line", 333, 145, 20, 15},
    {IDC_REPAIR, kButton, kPush, L"重新配对repair", 394, 229, 71, 17},
    {IDC_CLEAR, kButton, kPush, L"清零clear", 222, 227, 66, 19},
    {IDC_RSSI_THRESHOLD, kEdit, kEditStyle, L"", 136, 42, 48, 16},
    {IDC_RSSI_TEXT, kStatic, kText, L"RSSI 门限", 137, 67, 59, 18},
    {IDC_RF_LOW_LABEL, kStatic, kText, L"RSSI 门限", 132, 106, 63, 18},
    {IDC_RF_OK_LABEL, kStatic, kText, L"RSSI 门限", 134, 105, 63, 18},
    {IDC_INFO_CHECK, kButton, 0x50010003, L"RSI门限", 135, 22, 60, 13},
};

const void *Resource(int id, LPCWSTR type) {
  const WORD chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
  HRSRC found = FindResourceExW(nullptr, type, MAKEINTRESOURCEW(id), chinese);
  return found ? LockResource(LoadResource(nullptr, found)) : nullptr;
}

void MainTemplateIsTheLayout() {
  const void *data = Resource(IDD_TARVEX_DIALOG, MAKEINTRESOURCEW(5));  // RT_DIALOG
  CHECK(data != nullptr);
  if (data == nullptr) return;
  TemplateReader r(data);
  CHECK(r.Word() == 1 && r.Word() == 0xFFFF);
  r.Dword();
  CHECK(r.Dword() == 0x00040000);
  CHECK(r.Dword() == 0x90C800C0);
  const uint16_t count = r.Word();
  CHECK(count == 25);
  CHECK(r.Short() == 0 && r.Short() == 0 && r.Short() == 487 && r.Short() == 253);
  CHECK(r.SzOrOrd().empty() && r.SzOrOrd().empty());
  CHECK(r.Sz() == L"" TARVEX_TITLE);
  CHECK(r.Word() == 10);
  CHECK(r.Word() == 0 && r.Byte() == 0 && r.Byte() == 1);
  CHECK(r.Sz() == L"宋体");
  for (size_t i = 0; i < count && i < 25; ++i) {
    const Item &want = kMainItems[i];
    r.AlignDword();
    r.Dword();
    const uint32_t exStyle = r.Dword(), style = r.Dword();
    const int16_t x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
    const uint32_t id = r.Dword();
    const std::wstring windowClass = r.SzOrOrd(), text = r.SzOrOrd();
    r.Skip(r.Word());
    const bool same = exStyle == 0 && style == want.style && id == want.id &&
                      windowClass == want.windowClass && text == want.text && x == want.x &&
                      y == want.y && cx == want.cx && cy == want.cy;
    winecheck::Check(same, "main window control", static_cast<int>(i + 1));
  }
}

void AboutTemplateIsTheLayout() {
  const void *data = Resource(IDD_ABOUTBOX, MAKEINTRESOURCEW(5));
  CHECK(data != nullptr);
  if (data == nullptr) return;
  TemplateReader r(data);
  CHECK(r.Dword() == 0x80C800C0);
  r.Dword();
  CHECK(r.Word() == 4);
  CHECK(r.Short() == 0 && r.Short() == 0 && r.Short() == 235 && r.Short() == 55);
  CHECK(r.SzOrOrd().empty() && r.SzOrOrd().empty());
  CHECK(r.Sz() == L"关于 Tarvex");
  CHECK(r.Word() == 9 && r.Sz() == L"宋体");
  const uint32_t styles[] = {0x50000003, 0x50020080, 0x50020000, 0x50030001};
  for (uint32_t want : styles) {
    r.AlignDword();
    CHECK(r.Dword() == want);
    r.Dword();
    r.Skip(8);
    r.Word();
    r.SzOrOrd();
    r.SzOrOrd();
    r.Skip(r.Word());
  }
}

void StringsAndIcon() {
  wchar_t text[64] = {};
  LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text, 64);
  CHECK(std::wstring(text) == L"关于 Tarvex(&A)...");
  const void *group = Resource(IDR_MAINFRAME, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  CHECK(group != nullptr);
  if (group == nullptr) return;
  TemplateReader r(group);
  r.Word();
  CHECK(r.Word() == 1);
  CHECK(r.Word() == 2);
  for (int size : {32, 16}) {
    CHECK(r.Byte() == size && r.Byte() == size && r.Byte() == 16);
    r.Skip(1 + 2);
    CHECK(r.Word() == 4);  // bits per pixel
    r.Skip(6);
  }
}

void GbkConversion() {
  using gbk::GbkToWide;
  using gbk::WideToGbk;
  CHECK(WideToGbk(L"X 轴") == "X 轴");
  CHECK(GbkToWide("请插入MQDZ 控制器！") == L"请插入MQDZ 控制器！");
  CHECK(WideToGbk(L"a\u0E01b") == "a?b");  // Thai: no GBK form
  CHECK(WideToGbk(L"").empty() && GbkToWide("").empty());
}

// Text typed into a line field comes back as GBK bytes, whatever the
// system's ANSI code page.
void LineFieldTextRoundTrip() {
  const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                      nullptr, nullptr);
  const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 90, 20, parent,
                                    reinterpret_cast<HMENU>(IDC_LCD_LINE1), nullptr, nullptr);
  CHECK(edit != nullptr);
  tarvex::win32::StatusLabel low, ok;
  tarvex::win32::Win32Surface surface(GetModuleHandleW(nullptr), low, ok);
  surface.Attach(parent);
  SetWindowTextW(edit, L"a\u0E01轴");
  CHECK(surface.ControlText(IDC_LCD_LINE1) == "a?轴");
  surface.SetControlText(IDC_LCD_LINE1, "请插入");
  wchar_t text[16] = {};
  GetWindowTextW(edit, text, 16);
  CHECK(std::wstring(text) == L"请插入");
  DestroyWindow(parent);
}

// WM_SETTEXT messages this thread's windows got, by window.
std::vector<HWND> textsSet;
LRESULT CALLBACK CountTextsSet(int code, WPARAM wParam, LPARAM lParam) {
  const auto *call = reinterpret_cast<const CWPSTRUCT *>(lParam);
  if (code == HC_ACTION && call->message == WM_SETTEXT) textsSet.push_back(call->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
int TextsSet(HWND control) {
  int count = 0;
  for (HWND h : textsSet) count += h == control ? 1 : 0;
  return count;
}

// A refresh writes only controls that do not show their text already, and
// knows that without reading them back; a control whose text anything else
// changed is written again.
void ControlsAreWrittenOnlyWhenTheyShowSomethingElse() {
  const HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                      nullptr, nullptr);
  const HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 90, 20, parent,
                                     reinterpret_cast<HMENU>(IDC_KEY_TEXT), nullptr, nullptr);
  const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 30, 90, 20, parent,
                                    reinterpret_cast<HMENU>(IDC_LCD_LINE2), nullptr, nullptr);
  const HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROC, CountTextsSet, nullptr, GetCurrentThreadId());
  tarvex::win32::StatusLabel low, ok;
  tarvex::win32::Win32Surface surface(GetModuleHandleW(nullptr), low, ok);
  surface.Attach(parent);

  surface.SetControlText(IDC_KEY_TEXT, "Num1:1 keypressed");
  surface.SetControlText(IDC_KEY_TEXT, "Num1:1 keypressed");
  CHECK(TextsSet(label) == 1);
  SetWindowTextW(label, L"typed");  // as another program's WM_SETTEXT
  surface.SetControlText(IDC_KEY_TEXT, "Num1:1 keypressed");
  CHECK(TextsSet(label) == 3);
  CHECK(surface.ControlText(IDC_KEY_TEXT) == "Num1:1 keypressed");

  surface.SetControlText(IDC_LCD_LINE2, "2222");
  SendMessageW(edit, EM_SETSEL, 4, 4);
  SendMessageW(edit, WM_CHAR, L'x', 0);  // typed: no WM_SETTEXT, an EN_CHANGE
  CHECK(surface.ControlText(IDC_LCD_LINE2) == "2222x");
  surface.ControlChanged(IDC_LCD_LINE2);  // what the host does on EN_CHANGE
  surface.SetControlText(IDC_LCD_LINE2, "2222");
  CHECK(surface.ControlText(IDC_LCD_LINE2) == "2222");
  UnhookWindowsHookEx(hook);
  DestroyWindow(parent);
}

// The window's two icons are icon 128 of the program's own resources.
void WindowIconsAreIcon128() {
  const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                      nullptr, nullptr);
  tarvex::win32::StatusLabel low, ok;
  tarvex::win32::Win32Surface surface(GetModuleHandleW(nullptr), low, ok);
  surface.Attach(window);
  const tarvex::IconHandle icon = surface.LoadAppIcon(IDR_MAINFRAME);
  CHECK(icon != nullptr);
  surface.SetWindowIcon(tarvex::IconSize::kBig, icon);
  CHECK(SendMessageW(window, WM_GETICON, ICON_BIG, 0) == reinterpret_cast<LRESULT>(icon));
  CHECK(SendMessageW(window, WM_GETICON, ICON_SMALL, 0) == 0);
  surface.SetWindowIcon(tarvex::IconSize::kSmall, icon);
  CHECK(SendMessageW(window, WM_GETICON, ICON_SMALL, 0) == reinterpret_cast<LRESULT>(icon));
  DestroyWindow(window);
}

void StatusLabelPaintsWithItsOwnBrushAndFont() {
  const HDC dc = CreateCompatibleDC(nullptr);
  tarvex::win32::StatusLabel label;
  const HBRUSH first = label.OnCtlColor(dc, CTLCOLOR_STATIC);
  LOGBRUSH brush = {};
  CHECK(GetObjectW(first, sizeof brush, &brush) == sizeof brush);
  CHECK(brush.lbColor == GetSysColor(COLOR_BTNFACE));
  CHECK(GetTextColor(dc) == GetSysColor(COLOR_WINDOWTEXT));
  CHECK(GetBkMode(dc) == TRANSPARENT);
  LOGFONTW used = {}, gui = {};
  GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof used, &used);
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
  CHECK(std::wstring(used.lfFaceName) == gui.lfFaceName && used.lfHeight == gui.lfHeight);

  label.SetBackgroundColor(RGB(255, 0, 0)).SetBackgroundColor(RGB(19, 192, 192));
  const HBRUSH last = label.OnCtlColor(dc, CTLCOLOR_EDIT);
  CHECK(GetObjectType(first) == 0);  // the replaced brush is deleted
  CHECK(GetObjectW(last, sizeof brush, &brush) == sizeof brush);
  CHECK(brush.lbColor == RGB(19, 192, 192));
  DeleteDC(dc);
}

}  // namespace

int main() {
  MainTemplateIsTheLayout();
  AboutTemplateIsTheLayout();
  StringsAndIcon();
  GbkConversion();
  LineFieldTextRoundTrip();
  ControlsAreWrittenOnlyWhenTheyShowSomethingElse();
  WindowIconsAreIcon128();
  StatusLabelPaintsWithItsOwnBrushAndFont();
  return winecheck::Summary();
}
