// input_bench.exe N: reads N input reports from the virtual receiver's input
// interface through Wine's own HID stack (setupapi, hid.dll, ReadFile), as
// any program would, and prints how many per second arrived and how many of
// the numbered ones were lost. Bytes 2 and 3 of each report count up from 0
// (the receiver process queues them: bench/wine_input_bench.sh). A figure,
// never a pass/fail.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hid_interfaces.h"
#include "vreceiver/receiver_identity.h"

namespace {

constexpr DWORD kReportLength = vreceiver::kReportLength;

// The first HID interface of the receiver with input reports.
HANDLE OpenReceiverInput() { return vreceiver::hid::OpenReceiverInterface(false, GENERIC_READ); }

double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char **argv) {
  const unsigned long wanted = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
  HANDLE device = OpenReceiverInput();
  if (device == INVALID_HANDLE_VALUE) {
    std::printf("input_bench: no receiver input interface\n");
    return 1;
  }
  std::printf("input_bench: reading %lu reports\n", wanted);
  std::fflush(stdout);
  unsigned long received = 0, lost = 0, expected = 0;
  LARGE_INTEGER first = {}, last = {};
  BYTE report[kReportLength];
  DWORD got = 0;
  while (expected < wanted && ReadFile(device, report, kReportLength, &got, nullptr)) {
    QueryPerformanceCounter(received == 0 ? &first : &last);
    const unsigned long sequence = report[2] | (report[3] << 8);
    if (sequence > expected) lost += sequence - expected;
    expected = sequence + 1;
    ++received;
  }
  CloseHandle(device);
  const double seconds = received > 1 ? Seconds(first, last) : 0;
  std::printf("input_bench: %lu received, %lu lost, %.0f reports/s over %.2f s\n", received, lost,
              seconds > 0 ? (received - 1) / seconds : 0.0, seconds);
  return lost == 0 && received == wanted ? 0 : 1;
}
