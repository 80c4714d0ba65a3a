#include "pipe_handle.h"

#include <cstring>
#include <vector>

#include "link.h"

namespace standins {

std::string InterfaceNameOf(HANDLE handle) {
  std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(WCHAR));
  auto *info = reinterpret_cast<FILE_NAME_INFO *>(buffer.data());
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, info,
                                    static_cast<DWORD>(buffer.size()))) {
    return "";
  }
  std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
  size_t slash = name.find_last_of(L'\\');
  if (slash != std::wstring::npos) name = name.substr(slash + 1);
  std::string narrow;
  for (wchar_t c : name) narrow += c < 128 ? static_cast<char>(c) : '?';
  const char *prefix = vrlink::kInterfaceNamePrefix;
  if (narrow.compare(0, std::strlen(prefix), prefix) != 0) return "";
  return narrow;
}

bool StillConnected(HANDLE handle) {
  DWORD available = 0;
  if (PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr)) return true;
  DWORD error = GetLastError();
  return error != ERROR_BROKEN_PIPE && error != ERROR_PIPE_NOT_CONNECTED && error != ERROR_NO_DATA;
}

}  // namespace standins
