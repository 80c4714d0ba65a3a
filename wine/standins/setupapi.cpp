// Stand-in setupapi.dll: lists the receiver process's HID interfaces (its
// foreign ones and the receiver's) as device interfaces whose paths are
// named pipes. With no receiver process the list is empty. The functions
// Wine's user32 takes from setupapi answer with empty lists.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#define _SETUPAPI_
#include <setupapi.h>

#include "hid_guid.h"
#include "link.h"

namespace {

constexpr uint32_t kListMagic = 0x5653444C;  // "LDSV"

struct InterfaceList {
  uint32_t magic = kListMagic;
  GUID classGuid{};
  std::vector<std::string> paths;
};

InterfaceList *ListOf(HDEVINFO set) {
  auto *list = static_cast<InterfaceList *>(set);
  if (set == INVALID_HANDLE_VALUE || !list || list->magic != kListMagic) return nullptr;
  return list;
}

std::vector<std::string> ReceiverPaths() {
  std::vector<std::string> paths;
  std::string reply;
  if (!vrlink::Transact("list", &reply)) return paths;
  size_t start = 0;
  while (start < reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    std::vector<std::string> words = vrlink::SplitWords(reply.substr(start, end - start));
    if (!words.empty()) paths.push_back(words[0]);
    start = end + 1;
  }
  return paths;
}

bool IsHidClass(const GUID *guid) {
  return guid && std::memcmp(guid, &standins::kHidClassGuid, sizeof(GUID)) == 0;
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID *classGuid, PCSTR, HWND, DWORD flags) {
  auto *list = new InterfaceList;
  if (classGuid) list->classGuid = *classGuid;
  if (IsHidClass(classGuid) && (flags & DIGCF_DEVICEINTERFACE)) list->paths = ReceiverPaths();
  return list;
}

WINBOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA, const GUID *classGuid,
                                           DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
  InterfaceList *list = ListOf(set);
  if (!list || !data || !classGuid) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (index >= list->paths.size() || std::memcmp(classGuid, &list->classGuid, sizeof(GUID))) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->InterfaceClassGuid = list->classGuid;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = index + 1;
  return TRUE;
}

WINBOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                                PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                                                DWORD size, PDWORD required, PSP_DEVINFO_DATA) {
  InterfaceList *list = ListOf(set);
  if (!list || !data || data->Reserved == 0 || data->Reserved > list->paths.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string &path = list->paths[data->Reserved - 1];
  DWORD needed =
      static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (required) *required = needed;
  if (!detail || size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
  return TRUE;
}

WINBOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  InterfaceList *list = ListOf(set);
  if (!list) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  list->magic = 0;
  delete list;
  return TRUE;
}

HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID *classGuid, PCWSTR, HWND, DWORD) {
  auto *list = new InterfaceList;
  if (classGuid) list->classGuid = *classGuid;
  return list;
}

WINBOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO, DWORD, PSP_DEVINFO_DATA) {
  SetLastError(ERROR_NO_MORE_ITEMS);
  return FALSE;
}

WINBOOL WINAPI SetupDiGetDevicePropertyW(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY *,
                                         DEVPROPTYPE *, PBYTE, DWORD, PDWORD, DWORD) {
  SetLastError(ERROR_NOT_FOUND);
  return FALSE;
}

}  // extern "C"
