#include "input_pump.h"

#include <windows.h>
#include <winioctl.h>

#include "control.h"
#include "frame_schedule.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

constexpr uint32_t kTakeWaitMs = 100;

// Sleeps until `due`. Sleep(1) may overshoot by a millisecond or more; the
// schedule makes up for it, so nothing finer is needed.
void SleepUntil(FrameSchedule::Clock::time_point due) {
  while (FrameSchedule::Clock::now() < due) Sleep(1);
}

}  // namespace

void InputPump::Start() { thread_ = std::thread([this] { Run(); }); }

void InputPump::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

// One report per frame, on the frame schedule. The driver hands each report
// to the HID class driver, which keeps a read of the input interface
// waiting at all times and gives every open handle its own copy: the device
// does not wait for any program to read. A call fails at once when the
// interface is not there (the report is lost, as on a real bus).
void InputPump::Run() {
  FrameSchedule schedule;
  Report report;
  while (!stopping_) {
    if (!receiver_.TakeReport(&report, kTakeWaitMs)) {
      schedule.Idle();
      continue;
    }
    SleepUntil(schedule.Next(FrameSchedule::Clock::now()));
    NoteReportHanded();
    control_.Call(IOCTL_TARVEXVR_SEND_INPUT, report.data(), static_cast<DWORD>(report.size()),
                  nullptr, 0);
    schedule.Sent();
    receiver_.ReportSent();
    if (receiver_.PendingReports() == 0) schedule.Idle();
  }
}

}  // namespace vreceiver::process
