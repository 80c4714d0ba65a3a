// Loads MQD7RA.dll by name, as a caller does, and checks under Wine, with
// Wine's own HID stack and no receiver, that:
//  - its export table holds exactly the seven names;
//  - every export resolves and answers through the header's stdcall types:
//    the scan walks the foreign interfaces (opening only those whose paths
//    carry no USB IDs) and finds no receiver;
//  - its version resource carries the project version in Tarvex.exe's
//    language block.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "hid_interfaces.h"
#include "mqd7ra.h"
#include "tarvex_version.h"

namespace {

int failures = 0;

void Check(bool ok, const char *what) {
  std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

void CheckResult(int32_t got, int32_t want, const char *what) {
  char line[160];
  std::snprintf(line, sizeof line, "%s -> %ld (want %ld)", what, static_cast<long>(got),
                static_cast<long>(want));
  Check(got == want, line);
}

// The names in the module's PE export directory, as mapped in memory.
std::set<std::string> ExportedNames(HMODULE module) {
  std::set<std::string> names;
  const auto *base = reinterpret_cast<const unsigned char *>(module);
  const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return names;
  const auto *exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + dir.VirtualAddress);
  const auto *nameRvas = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.insert(reinterpret_cast<const char *>(base + nameRvas[i]));
  }
  if (exports->NumberOfFunctions != exports->NumberOfNames) names.insert("<unnamed export>");
  return names;
}

template <typename Fn>
Fn Resolve(HMODULE module, const char *name) {
  FARPROC address = GetProcAddress(module, name);
  Check(address != nullptr, name);
  return reinterpret_cast<Fn>(reinterpret_cast<void *>(address));
}

HWND MakeWindow() {
  return CreateWindowExA(0, "STATIC", "mqd7ra_dll_check", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

void CheckExportTable(HMODULE module) {
  const std::set<std::string> want = {"Xinit",       "XOpen",    "XClose",       "XGetInput",
                                      "XSendOutput", "XWritDev", "GetDeviceData"};
  std::set<std::string> got = ExportedNames(module);
  std::string listed;
  for (const std::string &name : got) listed += " " + name;
  std::printf("exports:%s\n", listed.c_str());
  Check(got == want, "the export table lists exactly the seven names");
}

// The scan below is only meaningful when Wine lists HID interfaces to skip.
void CheckForeignInterfacesListed() {
  const size_t count = hidlist::ListPaths().size();
  std::printf("HID interfaces listed by Wine: %lu\n", static_cast<unsigned long>(count));
  Check(count > 0, "Wine lists foreign HID interfaces for the scan to skip");
}

void CheckCallsWithoutReceiver(HMODULE module) {
  auto xinit = Resolve<MQD7RA_XINIT_FN>(module, "Xinit");
  auto xopen = Resolve<MQD7RA_XOPEN_FN>(module, "XOpen");
  auto xclose = Resolve<MQD7RA_XCLOSE_FN>(module, "XClose");
  auto xgetinput = Resolve<MQD7RA_XGETINPUT_FN>(module, "XGetInput");
  auto xsendoutput = Resolve<MQD7RA_XSENDOUTPUT_FN>(module, "XSendOutput");
  auto xwritdev = Resolve<MQD7RA_XWRITDEV_FN>(module, "XWritDev");
  auto getdevicedata = Resolve<MQD7RA_GETDEVICEDATA_FN>(module, "GetDeviceData");
  if (failures) return;

  HWND window = MakeWindow();
  Check(window != nullptr, "a window for XOpen");
  CheckResult(xinit(), XR_OK, "Xinit()");
  CheckResult(xopen(nullptr), XR_BAD_WINDOW, "XOpen(0)");
  CheckResult(xopen(window), XR_NO_DEVICE, "XOpen(window) with no receiver");

  uint32_t values[2] = {0xAAAAAAAAu, 0x55555555u};
  uint8_t status = 4;
  CheckResult(xgetinput(values, &status), XR_NOT_OPEN, "XGetInput");
  Check(values[0] == 0xAAAAAAAAu && values[1] == 0x55555555u && status == 4,
        "XGetInput leaves the caller's values untouched");

  const uint8_t text[2] = {'A', 'B'};
  uint8_t length = 2;
  CheckResult(xsendoutput(text, &length), XR_NO_DEVICE, "XSendOutput");
  Check(length == 2, "XSendOutput leaves the length byte untouched");

  const uint8_t command[3] = {0x0A, 0x0A, 0x16};
  const uint8_t count = 3;
  CheckResult(xwritdev(command, &count), XR_NO_DEVICE, "XWritDev");

  uint8_t info[8] = {};
  CheckResult(getdevicedata(info, 2), 0, "GetDeviceData");
  CheckResult(xclose(), -1, "XClose");
  if (window) DestroyWindow(window);
}

std::string VersionText(const VS_FIXEDFILEINFO &info) {
  return std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
         std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
         std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
         std::to_string(LOWORD(info.dwFileVersionLS));
}

void CheckVersionResource(HMODULE module) {
  char path[MAX_PATH];
  GetModuleFileNameA(module, path, sizeof path);
  DWORD ignored = 0;
  std::string data(GetFileVersionInfoSizeA(path, &ignored), '\0');
  Check(!data.empty() && GetFileVersionInfoA(path, 0, static_cast<DWORD>(data.size()), &data[0]),
        "MQD7RA.dll has a version resource");
  if (data.empty()) return;

  void *value = nullptr;
  UINT size = 0;
  const WORD parts[4] = {TARVEX_VERSION_NUMBERS};
  VS_FIXEDFILEINFO want{};
  want.dwFileVersionMS = MAKELONG(parts[1], parts[0]);
  want.dwFileVersionLS = MAKELONG(parts[3], parts[2]);
  if (VerQueryValueA(data.data(), "\\", &value, &size) && size >= sizeof(VS_FIXEDFILEINFO)) {
    const auto &info = *static_cast<const VS_FIXEDFILEINFO *>(value);
    std::string line =
        "file version " + VersionText(info) + " is the project's " + VersionText(want);
    Check(info.dwFileVersionMS == want.dwFileVersionMS &&
              info.dwFileVersionLS == want.dwFileVersionLS &&
              info.dwProductVersionMS == want.dwFileVersionMS &&
              info.dwProductVersionLS == want.dwFileVersionLS,
          line.c_str());
    Check(info.dwFileType == VFT_DLL, "file type VFT_DLL");
  } else {
    Check(false, "a fixed file version");
  }
  for (const char *name : {"FileDescription", "FileVersion", "ProductName", "ProductVersion"}) {
    std::string key = std::string("\\StringFileInfo\\080404B0\\") + name;
    Check(VerQueryValueA(data.data(), key.c_str(), &value, &size) && size > 1, key.c_str());
  }
}

}  // namespace

int main() {
  HMODULE module = LoadLibraryA("MQD7RA.dll");
  Check(module != nullptr, "LoadLibraryA(\"MQD7RA.dll\")");
  if (!module) return 1;
  CheckExportTable(module);
  CheckForeignInterfacesListed();
  CheckCallsWithoutReceiver(module);
  CheckVersionResource(module);
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
