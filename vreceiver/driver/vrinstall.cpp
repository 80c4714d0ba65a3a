// vrinstall.exe: installs the virtual receiver's driver into the Wine prefix
// it runs in, from tarvexvr.inf and tarvexvr.sys beside it. An installed
// driver is replaced (its root device removed and its service stopped
// first), so a rebuilt driver takes over. Waits until the driver serves its
// channel.
//
//   vrinstall.exe            install or replace
//   vrinstall.exe --remove   remove the device and the service
#include <windows.h>
// windows.h first: these need its types.
#include <newdev.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

#include "channel.h"

namespace {

constexpr DWORD kServiceStopWaitMs = 10000;
constexpr DWORD kChannelWaitMs = 60000;
constexpr DWORD kPollMs = 50;

bool Fail(const char *what) {
  std::printf("vrinstall: %s failed (error %lu)\n", what, GetLastError());
  return false;
}

std::wstring InfBesideProgram() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring inf(path, length);
  return inf.substr(0, inf.find_last_of(L'\\') + 1) + L"tarvexvr.inf";
}

void RemoveBusDevice() {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  if (SetupDiOpenDeviceInfoW(set, TARVEXVR_BUS_INSTANCE, nullptr, 0, &device) &&
      !SetupDiCallClassInstaller(DIF_REMOVE, set, &device)) {
    Fail("removing the bus device");
  }
  SetupDiDestroyDeviceInfoList(set);
}

// Stops the driver's service (so winedevice.exe lets the old file go) and
// deletes it; nothing to do when it is not there.
void RemoveService() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service =
      manager ? OpenServiceW(manager, TARVEXVR_SERVICE, SERVICE_ALL_ACCESS) : nullptr;
  if (service) {
    SERVICE_STATUS status = {};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    for (DWORD waited = 0; waited < kServiceStopWaitMs && QueryServiceStatus(service, &status) &&
                           status.dwCurrentState != SERVICE_STOPPED;
         waited += kPollMs) {
      Sleep(kPollMs);
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  if (manager) CloseServiceHandle(manager);
}

bool RegisterBusDevice() {
  static const GUID kNoClass = {};
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  // REG_MULTI_SZ: the ID, then an empty string.
  const wchar_t hardwareIds[] = TARVEXVR_BUS_HARDWARE_ID L"\0";
  bool ok = SetupDiCreateDeviceInfoW(set, TARVEXVR_BUS_INSTANCE, &kNoClass, nullptr, nullptr, 0,
                                     &device) &&
            SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                              reinterpret_cast<const BYTE *>(hardwareIds),
                                              sizeof hardwareIds) &&
            SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
  if (!ok) Fail("registering the bus device");
  SetupDiDestroyDeviceInfoList(set);
  return ok;
}

bool WaitForChannel() {
  for (DWORD waited = 0; waited < kChannelWaitMs; waited += kPollMs) {
    HANDLE channel = CreateFileA(TARVEXVR_CHANNEL_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (channel != INVALID_HANDLE_VALUE) {
      CloseHandle(channel);
      return true;
    }
    Sleep(kPollMs);
  }
  return Fail("waiting for the driver channel");
}

bool Install() {
  RemoveBusDevice();
  RemoveService();
  if (!RegisterBusDevice()) return false;
  BOOL reboot = FALSE;
  const std::wstring inf = InfBesideProgram();
  if (!UpdateDriverForPlugAndPlayDevicesW(nullptr, TARVEXVR_BUS_HARDWARE_ID, inf.c_str(),
                                          INSTALLFLAG_FORCE, &reboot)) {
    return Fail("installing the driver");
  }
  return WaitForChannel();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::string(argv[1]) == "--remove") {
    RemoveBusDevice();
    RemoveService();
    return 0;
  }
  if (argc != 1) {
    std::printf("usage: vrinstall.exe [--remove]\n");
    return 2;
  }
  if (!Install()) return 1;
  std::printf("vrinstall: the virtual receiver's driver is installed\n");
  return 0;
}
