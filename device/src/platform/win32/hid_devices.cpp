// The receiver's HID interfaces on Windows: listing, opening, attributes,
// report lengths and report I/O.
#include <cstring>

#include "platform/win32/win32_platform.h"

// hidsdi.h brings hidpi.h in after the types it needs.
extern "C" {
#include <hidsdi.h>
}

namespace mqd7ra {

namespace {

HANDLE AsHandle(DeviceHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool Win32Platform::OpenInterfaceList() {
  HidD_GetHidGuid(&hidClass_);
  interfaceList_ =
      SetupDiGetClassDevsA(&hidClass_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  return interfaceList_ != INVALID_HANDLE_VALUE;
}

// The list ends where the enumeration says there are no more items; any
// other failure leaves the rest of the list unknown. An interface whose
// detail cannot be read (it may be going away) is only skipped.
ListEntry Win32Platform::InterfacePath(uint32_t index, char *path, size_t capacity) {
  SP_DEVICE_INTERFACE_DATA interfaceData = {};
  interfaceData.cbSize = sizeof interfaceData;
  if (!SetupDiEnumDeviceInterfaces(interfaceList_, nullptr, &hidClass_, index, &interfaceData)) {
    return GetLastError() == ERROR_NO_MORE_ITEMS ? ListEntry::kEnd : ListEntry::kFailed;
  }
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(detail_);
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(interfaceList_, &interfaceData, detail, kDetailBufferSize,
                                        nullptr, nullptr)) {
    return ListEntry::kUnreadable;
  }
  const size_t length = std::strlen(detail->DevicePath);
  if (length >= capacity) return ListEntry::kUnreadable;
  std::memcpy(path, detail->DevicePath, length + 1);
  return ListEntry::kPath;
}

void Win32Platform::CloseInterfaceList() {
  SetupDiDestroyDeviceInfoList(interfaceList_);
  interfaceList_ = INVALID_HANDLE_VALUE;
}

// Synchronous access (no overlapped flag), shared for reading and writing.
DeviceHandle Win32Platform::OpenDevice(const char *path) {
  HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  return reinterpret_cast<DeviceHandle>(handle);
}

int32_t Win32Platform::CloseDevice(DeviceHandle handle) { return CloseHandle(AsHandle(handle)); }

bool Win32Platform::GetAttributes(DeviceHandle handle, HidAttributes *attributes) {
  HIDD_ATTRIBUTES hid = {};
  hid.Size = sizeof hid;
  if (!HidD_GetAttributes(AsHandle(handle), &hid)) return false;
  attributes->vendorId = hid.VendorID;
  attributes->productId = hid.ProductID;
  return true;
}

bool Win32Platform::GetReportLengths(DeviceHandle handle, ReportLengths *lengths) {
  PHIDP_PREPARSED_DATA description = nullptr;
  if (!HidD_GetPreparsedData(AsHandle(handle), &description)) return false;
  HIDP_CAPS caps = {};
  const bool read = HidP_GetCaps(description, &caps) == HIDP_STATUS_SUCCESS;
  HidD_FreePreparsedData(description);
  if (!read) return false;
  lengths->input = caps.InputReportByteLength;
  lengths->feature = caps.FeatureReportByteLength;
  return true;
}

// Anything but TRUE is a failed read, except a cancel (CancelSynchronousIo).
ReadResult Win32Platform::ReadReport(DeviceHandle handle, uint8_t *buffer, uint32_t length) {
  DWORD read = 0;
  if (ReadFile(AsHandle(handle), buffer, length, &read, nullptr) == TRUE)
    return ReadResult::kReport;
  return GetLastError() == ERROR_OPERATION_ABORTED ? ReadResult::kCancelled : ReadResult::kFailed;
}

bool Win32Platform::SetInputRingSize(DeviceHandle handle, uint32_t reports) {
  return HidD_SetNumInputBuffers(AsHandle(handle), reports) != FALSE;
}

bool Win32Platform::SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) {
  // The report is only read; the declaration lacks the const.
  return HidD_SetFeature(AsHandle(handle), const_cast<uint8_t *>(report), length) != FALSE;
}

bool Win32Platform::GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) {
  return HidD_GetFeature(AsHandle(handle), report, length) != FALSE;
}

}  // namespace mqd7ra
