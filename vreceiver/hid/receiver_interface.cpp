#include "receiver_interface.h"

// windows.h first: these need its types.
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

namespace vrhid {
namespace {

bool IsReceiverInterface(HANDLE device, bool feature) {
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  HIDP_CAPS caps = {};
  const bool match = HidD_GetAttributes(device, &attributes) &&
                     attributes.VendorID == kReceiverVendorId &&
                     HidD_GetPreparsedData(device, &preparsed) &&
                     HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS &&
                     (feature ? caps.FeatureReportByteLength : caps.InputReportByteLength) ==
                         kReportLength;
  if (preparsed) HidD_FreePreparsedData(preparsed);
  return match;
}

}  // namespace

HANDLE OpenReceiverInterface(bool feature, DWORD access) {
  GUID hid;
  HidD_GetHidGuid(&hid);
  HDEVINFO set = SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) char buffer[1024];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
  HANDLE found = INVALID_HANDLE_VALUE;
  for (DWORD i = 0; found == INVALID_HANDLE_VALUE &&
                    SetupDiEnumDeviceInterfaces(set, nullptr, &hid, i, &data);
       ++i) {
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, sizeof buffer, nullptr, nullptr)) continue;
    HANDLE device = CreateFileA(detail->DevicePath, access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) continue;
    if (IsReceiverInterface(device, feature)) {
      found = device;
    } else {
      CloseHandle(device);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

}  // namespace vrhid
