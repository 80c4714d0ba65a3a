// The reader on the virtual receiver: reports per second into the message
// sink, heap allocations per report on the reader thread, and how long
// XClose takes with the reader blocked in a read.
#include <mqd7ra.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "allocation_counter.h"
#include "library_on_virtual_receiver.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr mqd7ra::WindowHandle kWindow = 1;
constexpr uint32_t kReports = 200000;
// Reports sent and not yet posted: within the input handle's ring, so that
// the figure is the reader's and no report is dropped.
constexpr uint32_t kInFlight = 256;
constexpr int kCloseRounds = 20;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The pendant sends as fast as the reader takes its reports.
void Throughput() {
  testsupport::LibraryOnVirtualReceiver rig;
  vreceiver::Receiver &receiver = rig.receiver;
  mqd7ra::Library &library = rig.library;
  std::atomic<uint32_t> received{0};
  uint64_t allocationsAtFirst = 0;
  uint64_t allocationsAtLast = 0;
  rig.platform.SetMessageSink([&](mqd7ra::WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    if (message != WM_DEVICE_INPUT) return;
    const uint32_t n = received.load() + 1;
    if (n == 1) allocationsAtFirst = bench::ThreadAllocations();
    if (n == kReports) allocationsAtLast = bench::ThreadAllocations();
    received.store(n);
  });
  library.Xinit();
  library.XOpen(kWindow);
  const auto start = Clock::now();
  for (uint32_t i = 0; i < kReports; ++i) {
    while (i - received.load() >= kInFlight) std::this_thread::yield();
    rig.pendant.SendState(static_cast<int8_t>(i % 7 - 3));
  }
  receiver.WaitFor([&] { return received.load() == kReports; }, 60000);
  const auto elapsed = Clock::now() - start;
  library.XClose();
  std::printf("reports through the reader:   %u in %.1f ms = %.0f reports/s\n", received.load(),
              Ms(elapsed), received.load() / (Ms(elapsed) / 1000.0));
  std::printf(
      "heap allocations per report:  %.4f (reader thread, the host's read path included; "
      "%llu over %u reports)\n",
      double(allocationsAtLast - allocationsAtFirst) / (kReports - 1),
      static_cast<unsigned long long>(allocationsAtLast - allocationsAtFirst), kReports - 1);
}

double TimedClose(bool cancelIgnored) {
  testsupport::LibraryOnVirtualReceiver rig;
  vreceiver::Receiver &receiver = rig.receiver;
  mqd7ra::Library &library = rig.library;
  library.Xinit();
  library.XOpen(kWindow);
  receiver.WaitFor([&] { return rig.platform.hid().PendingReads() == 1; }, 5000);
  rig.platform.hid().SetCancelMode(cancelIgnored ? testsupport::CancelMode::kIgnored
                                                 : testsupport::CancelMode::kPrompt);
  const auto start = Clock::now();
  library.XClose();
  return Ms(Clock::now() - start);
}

void CloseTimes() {
  std::vector<double> times;
  for (int i = 0; i < kCloseRounds; ++i) times.push_back(TimedClose(false));
  std::sort(times.begin(), times.end());
  std::printf("XClose, reader blocked:       min %.3f ms, median %.3f ms, max %.3f ms (%d runs)\n",
              times.front(), times[times.size() / 2], times.back(), kCloseRounds);
  std::printf(
      "XClose, read not cancellable: %.1f ms (forced end after the bounded wait; the read is "
      "left to the ended thread)\n",
      TimedClose(true));
}

}  // namespace

int main() {
  Throughput();
  CloseTimes();
  return 0;
}
