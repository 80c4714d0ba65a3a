// hid_probe.exe: a program of its own in the prefix that reaches the virtual
// receiver through Wine's own HID stack (setupapi, hid.dll, ReadFile), not
// through the device library (it finds the interfaces with the shared
// SetupAPI listing, common/hid), and prints what the stack answers, one
// line per call, for the hid_stack scenario to check.
//   hid_probe.exe features   feature reports of 6 and 8 bytes, one read
//   hid_probe.exe read       one blocking read of the input interface
#include <windows.h>
// windows.h first: it needs its types.
extern "C" {
#include <hidsdi.h>
}

#include <cstdio>
#include <string>

#include "hid_interfaces.h"
#include "pendant/receiver_identity.h"

namespace {

using pendant::kReportLength;

HANDLE OpenReceiver(bool feature) {
  return hidlist::OpenReceiverInterface(feature, GENERIC_READ | GENERIC_WRITE);
}

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
