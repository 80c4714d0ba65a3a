// identity_probe.exe: reads every HID interface of the machine as Windows
// tools read a device's identity, and prints one line per fact for the
// usb_identity scenario to check:
//  - SetupAPI lists the HID interfaces; the bus type and the interface
//    number come from the hardware and compatible IDs of each interface's
//    parent device node (cfgmgr32: CM_Get_Parent, CM_Get_DevNode_PropertyW;
//    under Wine 8.0 found by name, see ParentByName);
//  - hid.dll gives the release, the strings, the indexed strings 1..3 and,
//    for an interface with input reports of the receiver's length, an
//    input report asked for on the control pipe (HidD_GetInputReport).
//   identity_probe.exe            the lines above
//   identity_probe.exe cfgmgr32   what cfgmgr32's interface calls answer
#include <windows.h>
// windows.h first: these need its types.
#include <cfgmgr32.h>
#include <setupapi.h>
// initguid.h first, so that devpkey.h defines its keys.
// clang-format off
#include <initguid.h>
#include <devpkey.h>
// clang-format on
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "pendant/receiver_identity.h"

namespace {

std::string Narrow(const wchar_t *text) {
  char buffer[512];
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return length > 0 ? std::string(buffer) : std::string();
}

std::vector<std::wstring> Split(const wchar_t *list) {
  std::vector<std::wstring> ids;
  for (const wchar_t *id = list; *id; id += wcslen(id) + 1) ids.emplace_back(id);
  return ids;
}

// The parent device node of a HID interface: its instance ID and its
// hardware and compatible IDs.
struct Parent {
  std::wstring instance;
  std::vector<std::wstring> hardware, compatible;
};

// As Windows tools read it: CM_Get_Parent, then the node's properties.
bool ParentOfNode(DEVINST node, Parent *parent) {
  DEVINST up = 0;
  if (CM_Get_Parent(&up, node, 0) != CR_SUCCESS) return false;
  wchar_t buffer[1024] = {};
  if (CM_Get_Device_IDW(up, buffer, 1023, 0) != CR_SUCCESS) return false;
  parent->instance = buffer;
  for (auto [key, ids] : {std::pair{&DEVPKEY_Device_HardwareIds, &parent->hardware},
                          std::pair{&DEVPKEY_Device_CompatibleIds, &parent->compatible}}) {
    std::fill(std::begin(buffer), std::end(buffer), L'\0');
    ULONG size = sizeof buffer - 2 * sizeof(wchar_t);
    DEVPROPTYPE type = 0;
    if (CM_Get_DevNode_PropertyW(up, key, &type, reinterpret_cast<BYTE *>(buffer), &size, 0) ==
        CR_SUCCESS) {
      *ids = Split(buffer);
    }
  }
  return true;
}

// Wine 8.0's CM_Get_Parent is a stub (CR_NO_SUCH_DEVNODE) and its
// CM_Get_DevNode_PropertyW knows no hardware IDs; there hidclass names its
// device after its parent (HID\<id>\<instance> for <bus>\<id>\<instance>),
// so the parent is the other node of that name, read through SetupAPI.
bool ParentByName(const std::wstring &hidInstance, Parent *parent) {
  const std::wstring tail = hidInstance.substr(hidInstance.find(L'\\'));
  HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA node = {};
  node.cbSize = sizeof node;
  bool found = false;
  for (DWORD i = 0; !found && SetupDiEnumDeviceInfo(set, i, &node); ++i) {
    wchar_t instance[512];
    if (!SetupDiGetDeviceInstanceIdW(set, &node, instance, 512, nullptr)) continue;
    const std::wstring name = instance;
    if (name == hidInstance || name.size() < tail.size() ||
        _wcsicmp(name.c_str() + name.size() - tail.size(), tail.c_str()) != 0) {
      continue;
    }
    found = true;
    parent->instance = name;
    for (auto [property, ids] : {std::pair{SPDRP_HARDWAREID, &parent->hardware},
                                 std::pair{SPDRP_COMPATIBLEIDS, &parent->compatible}}) {
      wchar_t buffer[1024] = {};
      if (SetupDiGetDeviceRegistryPropertyW(set, &node, property, nullptr,
                                            reinterpret_cast<BYTE *>(buffer),
                                            sizeof buffer - 2 * sizeof(wchar_t), nullptr)) {
        *ids = Split(buffer);
      }
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

// As the tools decide: a compatible ID "USB\..." makes a USB device; "MI_nn"
// in a hardware ID is the interface number (-1 without one).
std::string Bus(const std::vector<std::wstring> &compatible) {
  for (const std::wstring &id : compatible) {
    if (id.rfind(L"USB\\", 0) == 0) return "USB";
  }
  return "unknown";
}

int InterfaceNumber(const std::vector<std::wstring> &hardware) {
  for (const std::wstring &id : hardware) {
    const size_t at = id.find(L"&MI_");
    if (at != std::wstring::npos) return static_cast<int>(wcstol(id.c_str() + at + 4, nullptr, 16));
  }
  return -1;
}

std::string Quoted(bool ok, const wchar_t *text) {
  return ok ? "\"" + Narrow(text) + "\"" : "error " + std::to_string(GetLastError());
}

std::string Strings(HANDLE device) {
  wchar_t text[128];
  std::string line = "strings";
  line += " " + Quoted(HidD_GetManufacturerString(device, text, sizeof text), text);
  line += " " + Quoted(HidD_GetProductString(device, text, sizeof text), text);
  line += " " + Quoted(HidD_GetSerialNumberString(device, text, sizeof text), text);
  return line;
}

std::string IndexedStrings(HANDLE device) {
  wchar_t text[128];
  std::string line = "indexed";
  for (ULONG index = 1; index <= 3; ++index) {
    line += " " + Quoted(HidD_GetIndexedString(device, index, text, sizeof text), text);
  }
  return line;
}

std::string InputReport(HANDLE device) {
  BYTE report[pendant::kReportLength] = {pendant::kInputReportId};
  if (!HidD_GetInputReport(device, report, sizeof report)) {
    return "input report: error " + std::to_string(GetLastError());
  }
  std::string line = "input report: ok";
  for (BYTE byte : report) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    line += hex;
  }
  return line;
}

void PrintInterface(const wchar_t *path, DEVINST node, const std::wstring &hidInstance) {
  Parent parent;
  if (!ParentOfNode(node, &parent)) ParentByName(hidInstance, &parent);
  HANDLE device =
      CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  HIDD_ATTRIBUTES attributes = {};
  attributes.Size = sizeof attributes;
  if (device == INVALID_HANDLE_VALUE || !HidD_GetAttributes(device, &attributes)) {
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    return;
  }
  char head[64];
  std::snprintf(head, sizeof head, "%04X:%04X interface %d: ", attributes.VendorID,
                attributes.ProductID, InterfaceNumber(parent.hardware));
  std::printf("%sparent %s\n", head, Narrow(parent.instance.c_str()).c_str());
  std::printf("%sbus %s, release 0x%04X\n", head, Bus(parent.compatible).c_str(),
              attributes.VersionNumber);
  std::printf("%s%s\n%s%s\n", head, Strings(device).c_str(), head, IndexedStrings(device).c_str());
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  HIDP_CAPS caps = {};
  if (HidD_GetPreparsedData(device, &preparsed) &&
      HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS &&
      pendant::IsReceiver(attributes.VendorID, attributes.ProductID) &&
      caps.InputReportByteLength == pendant::kReportLength) {
    std::printf("%s%s\n", head, InputReport(device).c_str());
  }
  if (preparsed) HidD_FreePreparsedData(preparsed);
  CloseHandle(device);
}

int Identity() {
  GUID hidClass;
  HidD_GetHidGuid(&hidClass);
  HDEVINFO set =
      SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return 1;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) char buffer[2048];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W *>(buffer);
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, i, &data); ++i) {
    SP_DEVINFO_DATA node = {};
    node.cbSize = sizeof node;
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    wchar_t instance[512];
    if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, sizeof buffer, nullptr, &node) &&
        SetupDiGetDeviceInstanceIdW(set, &node, instance, 512, nullptr)) {
      PrintInterface(detail->DevicePath, node.DevInst, instance);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  std::fflush(stdout);
  return 0;
}

// What a program that finds HID interfaces through cfgmgr32 alone meets.
int Cfgmgr32() {
  HMODULE cfgmgr32 = GetModuleHandleW(L"cfgmgr32.dll");
  for (const char *name : {"CM_Get_Device_Interface_PropertyW", "CM_Get_DevNode_PropertyW",
                           "CM_Register_Notification"}) {
    const bool found = cfgmgr32 && GetProcAddress(cfgmgr32, name) != nullptr;
    std::printf("%s: %s\n", name, found ? "exported" : "missing");
  }
  GUID hidClass;
  HidD_GetHidGuid(&hidClass);
  ULONG size = 0;
  const CONFIGRET sizeAnswer = CM_Get_Device_Interface_List_SizeW(
      &size, &hidClass, nullptr, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
  std::printf("CM_Get_Device_Interface_List_SizeW: 0x%lX, %lu characters\n", sizeAnswer, size);
  std::fflush(stdout);
  // Last: under Wine 8.0 this call ends the process.
  std::vector<wchar_t> list(size ? size : 1);
  const CONFIGRET listAnswer = CM_Get_Device_Interface_ListW(&hidClass, nullptr, list.data(), size,
                                                             CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
  std::printf("CM_Get_Device_Interface_ListW: 0x%lX\n", listAnswer);
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command.empty()) return Identity();
  if (command == "cfgmgr32") return Cfgmgr32();
  std::printf("usage: identity_probe.exe [cfgmgr32]\n");
  return 2;
}
