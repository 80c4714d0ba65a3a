#include "hid_interfaces.h"

// windows.h first: these need its types.
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include "pendant/receiver_identity.h"

namespace hidlist {

namespace {

// One pass over the present HID interfaces; `visit` returns false to stop.
template <typename Visit>
void ForEachPath(Visit visit) {
  GUID hidClass;
  HidD_GetHidGuid(&hidClass);
  HDEVINFO set =
      SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) char buffer[1024];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, i, &data); ++i) {
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr)) {
      continue;
    }
    if (!visit(std::string(detail->DevicePath))) break;
  }
  SetupDiDestroyDeviceInfoList(set);
}

HANDLE Open(const std::string &path, DWORD access, DWORD flags = 0) {
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

bool Describe(HANDLE device, HidInterface *found) {
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  HIDP_CAPS caps = {};
  const bool ok = HidD_GetAttributes(device, &attributes) &&
                  HidD_GetPreparsedData(device, &preparsed) &&
                  HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
  if (preparsed) HidD_FreePreparsedData(preparsed);
  found->vendorId = attributes.VendorID;
  found->productId = attributes.ProductID;
  found->inputLength = caps.InputReportByteLength;
  found->featureLength = caps.FeatureReportByteLength;
  return ok;
}

}  // namespace

std::vector<std::string> ListPaths() {
  std::vector<std::string> paths;
  ForEachPath([&](const std::string &path) {
    paths.push_back(path);
    return true;
  });
  return paths;
}

std::vector<HidInterface> ListInterfaces() {
  std::vector<HidInterface> list;
  ForEachPath([&](const std::string &path) {
    HANDLE device = Open(path, 0);
    if (device == INVALID_HANDLE_VALUE) return true;
    HidInterface found;
    found.path = path;
    if (Describe(device, &found)) list.push_back(found);
    CloseHandle(device);
    return true;
  });
  return list;
}

bool IsReceiverInterface(const HidInterface &found) {
  return pendant::IsReceiver(found.vendorId, found.productId);
}

HANDLE OpenReceiverInterface(bool feature, DWORD access, HidInterface *described, DWORD flags) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  ForEachPath([&](const std::string &candidate) {
    HANDLE device = Open(candidate, access, flags);
    if (device == INVALID_HANDLE_VALUE) return true;
    HidInterface found;
    const bool match =
        Describe(device, &found) && IsReceiverInterface(found) &&
        (feature ? found.featureLength : found.inputLength) == pendant::kReportLength;
    if (!match) {
      CloseHandle(device);
      return true;
    }
    opened = device;
    found.path = candidate;
    if (described) *described = found;
    return false;
  });
  return opened;
}

}  // namespace hidlist
