// input_bench.exe N [FILE [RING [IN_FLIGHT]]]: the bare reader. Reads N input reports from the
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
// so that a stall of both readers costs neither of them reports. With
// IN_FLIGHT above 0 it keeps that many overlapped reads pending instead of
// one ReadFile at a time, and takes them in the order they were asked (the
// order the HID class driver completes them): does asking ahead lift the
// read path's rate? A figure, never a pass/fail.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

HANDLE OpenReceiverInput(DWORD flags) {
  for (int i = 0; i < kOpenTries; ++i) {
    HANDLE device = hidlist::OpenReceiverInterface(false, GENERIC_READ, nullptr, flags);
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

// Reads one report at a time, or keeps `depth` overlapped reads pending.
class Reads {
 public:
  Reads(HANDLE device, unsigned depth) : device_(device), slots_(depth) {
    for (Slot &slot : slots_) {
      slot.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
      Ask(slot);
    }
  }
  ~Reads() {
    CancelIoEx(device_, nullptr);
    for (Slot &slot : slots_) {
      DWORD got = 0;
      if (slot.asked) GetOverlappedResult(device_, &slot.overlapped, &got, TRUE);
      CloseHandle(slot.overlapped.hEvent);
    }
  }
  Reads(const Reads &) = delete;
  Reads &operator=(const Reads &) = delete;

  // The next report into `report`; false when the read failed.
  bool Next(BYTE *report) {
    DWORD got = 0;
    if (slots_.empty()) return ReadFile(device_, report, kReportLength, &got, nullptr) != FALSE;
    Slot &slot = slots_[next_];
    slot.asked = false;
    if (!GetOverlappedResult(device_, &slot.overlapped, &got, TRUE)) return false;
    std::memcpy(report, slot.report, kReportLength);
    next_ = (next_ + 1) % slots_.size();
    return Ask(slot);
  }

 private:
  struct Slot {
    OVERLAPPED overlapped = {};
    BYTE report[kReportLength] = {};
    bool asked = false;
  };

  bool Ask(Slot &slot) {
    ResetEvent(slot.overlapped.hEvent);
    slot.asked = ReadFile(device_, slot.report, kReportLength, nullptr, &slot.overlapped) ||
                 GetLastError() == ERROR_IO_PENDING;
    return slot.asked;
  }

  HANDLE device_;
  std::vector<Slot> slots_;
  size_t next_ = 0;
};

// Reads until `wanted` reports came or a read fails (the receiver was
// unplugged because some never came); counts the numbered ones lost and
// those that came after a later one.
std::vector<Arrival> ReadAll(HANDLE device, unsigned depth, unsigned long wanted,
                             unsigned long *lost, unsigned long *reordered) {
  std::vector<Arrival> arrivals;
  arrivals.reserve(wanted);
  unsigned long expected = 0;
  BYTE report[kReportLength];
  Reads reads(device, depth);
  while (arrivals.size() < wanted && reads.Next(report)) {
    const long long now = NowMicroseconds();
    const unsigned sequence = report[1] | (report[7] << 8);
    if (sequence < expected) {
      // Late, not lost: counted lost when a later one came first.
      ++*reordered;
      if (*lost > 0) --*lost;
    } else {
      *lost += sequence - expected;
      expected = sequence + 1;
    }
    arrivals.push_back({sequence, now});
  }
  if (expected < wanted) *lost += wanted - expected;  // the last ones never came
  return arrivals;
}

}  // namespace

int main(int argc, char **argv) {
  const unsigned long wanted = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000;
  const unsigned long depth = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 0;
  HANDLE device = OpenReceiverInput(depth > 0 ? FILE_FLAG_OVERLAPPED : 0);
  if (device == INVALID_HANDLE_VALUE) {
    std::printf("input_bench: no receiver input interface\n");
    return 1;
  }
  const unsigned long ring = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
  if (ring != 0 && !HidD_SetNumInputBuffers(device, ring))
    std::printf("input_bench: the ring stays at its default (%lu refused)\n", ring);
  std::printf("input_bench: reading %lu reports, %lu reads in flight\n", wanted,
              depth > 0 ? depth : 1);
  std::fflush(stdout);
  unsigned long lost = 0, reordered = 0;
  const std::vector<Arrival> arrivals =
      ReadAll(device, static_cast<unsigned>(depth), wanted, &lost, &reordered);
  CloseHandle(device);
  const size_t received = arrivals.size();
  const double seconds =
      received > 1
          ? static_cast<double>(arrivals.back().microseconds - arrivals.front().microseconds) / 1e6
          : 0;
  std::printf("input_bench: %zu received, %lu lost, %lu out of order, %.0f reports/s over %.2f s\n",
              received, lost, reordered,
              seconds > 0 ? static_cast<double>(received - 1) / seconds : 0.0, seconds);
  if (argc > 2 && !WriteArrivals(argv[2], arrivals)) {
    std::printf("input_bench: cannot write %s\n", argv[2]);
    return 1;
  }
  return lost == 0 && reordered == 0 && received == wanted ? 0 : 1;
}
