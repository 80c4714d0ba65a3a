#include "wine_processes.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace vreceiver::process {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

bool IsWineProcess(uint32_t processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return false;
  char image[MAX_PATH];
  DWORD length = MAX_PATH;
  const bool named = QueryFullProcessImageNameA(process, 0, image, &length) != 0;
  CloseHandle(process);
  char windows[MAX_PATH];
  const UINT windowsLength = GetSystemWindowsDirectoryA(windows, MAX_PATH);
  return named && windowsLength > 0 && Lower(image).compare(0, windowsLength, Lower(windows)) == 0;
}

}  // namespace vreceiver::process
