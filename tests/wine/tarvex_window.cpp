// Test helper: waits for Tarvex's main window to show, or closes it.
//   tarvex_window wait  <timeout ms>   exit 0 once the window is visible
//   tarvex_window close <timeout ms>   posts WM_CLOSE, exit 0 once it is gone
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const wchar_t kTitle[] = L"NVT MQDZA 测试-V1.32";
constexpr DWORD kPollMs = 50;

HWND MainWindow() {
  const HWND window = FindWindowW(nullptr, kTitle);
  return (window != nullptr && IsWindowVisible(window)) ? window : nullptr;
}

// Polls until want() holds or the bound passes.
template <typename Pred>
bool WaitUntil(Pred want, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (!want()) {
    if (GetTickCount64() >= end) return false;
    Sleep(kPollMs);
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tarvex_window wait|close <timeout ms>\n");
    return 2;
  }
  const DWORD timeoutMs = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  if (std::strcmp(argv[1], "wait") == 0) {
    return WaitUntil([] { return MainWindow() != nullptr; }, timeoutMs) ? 0 : 1;
  }
  if (std::strcmp(argv[1], "close") == 0) {
    const HWND window = MainWindow();
    if (window == nullptr || !PostMessageW(window, WM_CLOSE, 0, 0)) return 1;
    return WaitUntil([] { return FindWindowW(nullptr, kTitle) == nullptr; }, timeoutMs) ? 0 : 1;
  }
  return 2;
}
