// hid_probe.exe: a program of its own in the prefix that reaches the virtual
// receiver through Wine's own HID stack (setupapi, hid.dll, ReadFile) with
// no help from the project, and prints what the stack answers, one line per
// call, for the hid_stack scenario to check.
//   hid_probe.exe features   feature reports of 6 and 8 bytes, one read
//   hid_probe.exe read       one blocking read of the input interface
#include <windows.h>
// windows.h first: these need its types.
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <cstdio>
#include <string>

namespace {

constexpr USHORT kReceiverVendorId = 0x10CE;
constexpr USHORT kReportLength = 8;

void Print(const char *what, bool ok, const BYTE *bytes = nullptr, DWORD count = 0) {
  std::string line = what;
  if (!ok) {
    line += ": error " + std::to_string(GetLastError());
  } else {
    line += ": ok";
    for (DWORD i = 0; i < count; ++i) {
      char hex[4];
      std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
      line += hex;
    }
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

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

// The receiver's feature or input interface, as any program finds it.
HANDLE OpenReceiver(bool feature) {
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
    HANDLE device = CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
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

int Features() {
  HANDLE device = OpenReceiver(true);
  if (device == INVALID_HANDLE_VALUE) {
    Print("open", false);
    return 1;
  }
  BYTE prelude[6] = {6, 0, 0, 0, 0, 0};
  Print("set 6 bytes", HidD_SetFeature(device, prelude, sizeof prelude));
  BYTE report[kReportLength] = {6, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
  Print("set 8 bytes", HidD_SetFeature(device, report, sizeof report));
  BYTE answer[kReportLength] = {6};
  const bool read = HidD_GetFeature(device, answer, sizeof answer);
  Print("get 8 bytes", read, answer, sizeof answer);
  CloseHandle(device);
  return 0;
}

int Read() {
  HANDLE device = OpenReceiver(false);
  if (device == INVALID_HANDLE_VALUE) {
    Print("open", false);
    return 1;
  }
  std::printf("reading\n");
  std::fflush(stdout);
  BYTE report[kReportLength];
  DWORD got = 0;
  const bool read = ReadFile(device, report, sizeof report, &got, nullptr) != FALSE;
  Print("read", read, report, got);
  CloseHandle(device);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "features") return Features();
  if (command == "read") return Read();
  std::printf("usage: hid_probe.exe features|read\n");
  return 2;
}
