// input_bench.exe N [FILE [RING]]: the bare reader. Reads N input reports from the
// virtual receiver's input interface through Wine's own HID stack
// (setupapi, hid.dll, ReadFile in a loop and nothing else), as any program
// would, and prints how many per second arrived and how many of the
// numbered ones were lost. Bytes 1 and 7 of each report (which no caller
// of the library sees) count up from 0: bench/numbered_reports.sh writes
// them.
// With FILE it also writes "read SEQUENCE US" for each report, on the
// receiver process's clock (steady_clock), so scripts/bench.sh can set it
// beside Tarvex as the peer of the same run. With RING it asks for a ring of
// that many reports (HidD_SetNumInputBuffers), as MQD7RA.dll asks for 512,
// so that a stall of both readers costs neither of them reports. A figure,
// never a pass/fail.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "hid_interfaces.h"
#include "pendant/receiver_identity.h"

namespace {

constexpr DWORD kReportLength = pendant::kReportLength;
// The receiver process may still be presenting its interfaces.
constexpr int kOpenTries = 400;
constexpr DWORD kOpenRetryMs = 50;

struct Arrival {
  unsigned sequence;
  long long microseconds;
};

HANDLE OpenReceiverInput() {
  for (int i = 0; i < kOpenTries; ++i) {
    HANDLE device = hidlist::OpenReceiverInterface(false, GENERIC_READ);
    if (device != INVALID_HANDLE_VALUE) return device;
    Sleep(kOpenRetryMs);
  }
  return INVALID_HANDLE_VALUE;
}

long long NowMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool WriteArrivals(const char *path, const std::vector<Arrival> &arrivals) {
  FILE *file = std::fopen(path, "w");
  if (!file) return false;
  for (const Arrival &a : arrivals)
    std::fprintf(file, "read %u %lld\n", a.sequence, a.microseconds);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char **argv) {
  const unsigned long wanted = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
  HANDLE device = OpenReceiverInput();
  if (device == INVALID_HANDLE_VALUE) {
    std::printf("input_bench: no receiver input interface\n");
    return 1;
  }
  const unsigned long ring = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
  if (ring != 0 && !HidD_SetNumInputBuffers(device, ring))
    std::printf("input_bench: the ring stays at its default (%lu refused)\n", ring);
  std::printf("input_bench: reading %lu reports\n", wanted);
  std::fflush(stdout);
  std::vector<Arrival> arrivals;
  arrivals.reserve(wanted);
  unsigned long lost = 0, expected = 0;
  BYTE report[kReportLength];
  DWORD got = 0;
  // Ends when all arrived or the read fails (the receiver was unplugged
  // because some never came).
  while (arrivals.size() < wanted && ReadFile(device, report, kReportLength, &got, nullptr)) {
    const long long now = NowMicroseconds();
    const unsigned sequence = report[1] | (report[7] << 8);
    if (sequence > expected) lost += sequence - expected;
    expected = sequence + 1;
    arrivals.push_back({sequence, now});
  }
  CloseHandle(device);
  const size_t received = arrivals.size();
  if (expected < wanted) lost += wanted - expected;  // the last ones never came
  const double seconds =
      received > 1
          ? static_cast<double>(arrivals.back().microseconds - arrivals.front().microseconds) / 1e6
          : 0;
  std::printf("input_bench: %zu received, %lu lost, %.0f reports/s over %.2f s\n", received, lost,
              seconds > 0 ? static_cast<double>(received - 1) / seconds : 0.0, seconds);
  if (argc > 2 && !WriteArrivals(argv[2], arrivals)) {
    std::printf("input_bench: cannot write %s\n", argv[2]);
    return 1;
  }
  return lost == 0 && received == wanted ? 0 : 1;
}
