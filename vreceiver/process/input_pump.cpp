#include "input_pump.h"

#include <windows.h>
#include <winioctl.h>

#include <chrono>

#include "control.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

constexpr uint32_t kTakeWaitMs = 100;
constexpr auto kInputInterval = std::chrono::milliseconds(1);

}  // namespace

void InputPump::Start() { thread_ = std::thread([this] { Run(); }); }

void InputPump::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

// One report per call; a call returns once a read of the input interface
// took the report, or at once when the interface is not there (the report
// is lost, as on a real bus).
void InputPump::Run() {
  auto last = std::chrono::steady_clock::now() - kInputInterval;
  Report report;
  while (!stopping_) {
    if (!receiver_.TakeReport(&report, kTakeWaitMs)) continue;
    while (std::chrono::steady_clock::now() - last < kInputInterval) Sleep(1);
    // The interval counts from one hand-over to the next, as USB frames
    // do, not from the end of the read that took the report.
    last = std::chrono::steady_clock::now();
    NoteReportHanded();
    control_.Call(IOCTL_TARVEXVR_SEND_INPUT, report.data(), static_cast<DWORD>(report.size()),
                  nullptr, 0);
    receiver_.ReportSent();
  }
}

}  // namespace vreceiver::process
