#include "hid_listing.h"

#include <windows.h>
// windows.h first: these need its types.
#include <setupapi.h>

#include <algorithm>
#include <cctype>

namespace vrhost {

namespace {

const GUID kHidInterfaceClass = {
    0x4d1e55b2, 0xf16f, 0x11cf, {0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

}  // namespace

std::vector<std::string> ListedHidPaths() {
  std::vector<std::string> paths;
  HDEVINFO set = SetupDiGetClassDevsA(&kHidInterfaceClass, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return paths;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) char buffer[1024];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &kHidInterfaceClass, i, &data); ++i) {
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr)) {
      continue;
    }
    std::string path = detail->DevicePath;
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    paths.push_back(path);
  }
  SetupDiDestroyDeviceInfoList(set);
  return paths;
}

}  // namespace vrhost
