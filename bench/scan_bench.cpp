// scan_bench.exe [N]: where the time of one re-open goes while no receiver
// is there, as the watchdog pays it five times a second. Times, N times
// over, on the calling thread (CPU) and on the clock: making and
// destroying SetupAPI's interface list; walking it (enumeration and
// detail of every entry); and a whole XOpen of the real MQD7RA.dll that
// finds nothing. Run beside the receiver process with N foreign interfaces
// listed (scripts/bench.sh --scan). A figure, never a pass/fail.
#include <windows.h>
// after windows.h
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "mqd7ra.h"

namespace {

double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME &t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// Runs step `n` times; prints CPU and clock milliseconds per run.
template <typename Step>
void Time(const char *name, int n, Step step) {
  const double cpu = ThreadCpuMs();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) step();
  const std::chrono::duration<double, std::milli> clock = std::chrono::steady_clock::now() - start;
  std::printf("%-28s cpu %7.2f ms  clock %7.2f ms\n", name, (ThreadCpuMs() - cpu) / n,
              clock.count() / n);
}

int CountListed(const GUID &hid) {
  HDEVINFO list =
      SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (list == INVALID_HANDLE_VALUE) return 0;
  alignas(8) unsigned char buffer[1024];
  auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(buffer);
  int count = 0;
  SP_DEVICE_INTERFACE_DATA data = {};
  data.cbSize = sizeof data;
  for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &hid, i, &data); ++i) {
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (SetupDiGetDeviceInterfaceDetailA(list, &data, detail, sizeof buffer, nullptr, nullptr)) {
      ++count;
    }
  }
  SetupDiDestroyDeviceInfoList(list);
  return count;
}

}  // namespace

int main(int argc, char **argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 50;
  GUID hid;
  HidD_GetHidGuid(&hid);
  std::printf("interfaces listed: %d\n", CountListed(hid));
  Time("list made and destroyed", n, [&] {
    HDEVINFO list =
        SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(list);
  });
  Time("list made, walked, destroyed", n, [&] { CountListed(hid); });

  HMODULE dll = LoadLibraryA("MQD7RA.dll");
  auto xinit =
      reinterpret_cast<MQD7RA_XINIT_FN>(reinterpret_cast<void *>(GetProcAddress(dll, "Xinit")));
  auto xopen =
      reinterpret_cast<MQD7RA_XOPEN_FN>(reinterpret_cast<void *>(GetProcAddress(dll, "XOpen")));
  auto xclose =
      reinterpret_cast<MQD7RA_XCLOSE_FN>(reinterpret_cast<void *>(GetProcAddress(dll, "XClose")));
  if (xinit == nullptr || xopen == nullptr || xclose == nullptr) {
    std::printf("MQD7RA.dll not loaded\n");
    return 1;
  }
  HWND window = CreateWindowExA(0, "STATIC", "scan_bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  xinit();
  Time("XClose + XOpen, no receiver", n, [&] {
    xclose();
    xopen(window);
  });
  return 0;
}
