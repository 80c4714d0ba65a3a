#include "dll_search.h"

#include <windows.h>

namespace tarvex::win32 {
namespace {

// Not in every SDK; resolved at run time.
constexpr DWORD kSearchDefaultDirs = 0x00001000;  // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
using SetDllDirectoryFn = BOOL(WINAPI *)(LPCWSTR);
using SetDefaultDllDirectoriesFn = BOOL(WINAPI *)(DWORD);

template <typename Fn>
Fn Kernel32Export(const char *name) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel32, name)));
}

}  // namespace

void RemoveCurrentDirectoryFromDllSearch() {
  if (auto setDllDirectory = Kernel32Export<SetDllDirectoryFn>("SetDllDirectoryW")) {
    setDllDirectory(L"");
  }
  if (auto setDefault = Kernel32Export<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
    setDefault(kSearchDefaultDirs);
  }
}

}  // namespace tarvex::win32
