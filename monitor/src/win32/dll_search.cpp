#include "dll_search.h"

#include <windows.h>

#include <string>

namespace tarvex::win32 {
namespace {

// The folder the program was started from, empty when it cannot be told.
std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  const size_t slash = path.find_last_of(L"\\/");
  // Keeps the last separator: "C:" alone would name the current directory of
  // drive C.
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace

// Any SetDllDirectoryW call other than with null takes the current directory
// out and leaves the rest of the standard order as it is. The program's own
// folder is named because it is searched first anyway, so nothing is added;
// the empty string, which Windows takes the same way, leaves the current
// directory in under Wine. SetDefaultDllDirectories is not used: it would
// also drop the Windows folder and PATH, where the library may be installed.
void RemoveCurrentDirectoryFromDllSearch() {
  const std::wstring folder = ProgramFolder();
  SetDllDirectoryW(folder.c_str());
}

}  // namespace tarvex::win32
