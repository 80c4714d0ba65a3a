#include "input_pump.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "channel.h"
#include "timing_log.h"
#include "vreceiver/frame_schedule.h"

namespace vreceiver::process {

namespace {

constexpr uint32_t kTakeWaitMs = 100;

// Sleeps until `due`. Sleep(1) may overshoot by a millisecond or more; the
// schedule makes up for it, so nothing finer is needed.
void SleepUntil(FrameSchedule::Clock::time_point due) {
  while (FrameSchedule::Clock::now() < due) Sleep(1);
}

}  // namespace

void InputPump::Start() {
  thread_ = std::thread([this] { Run(); });
}

void InputPump::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

// One report per frame, on the frame schedule. The reports whose frames
// have come go to the driver in one call, so a late wake-up is made up at
// once, not at the pace of one call a report (a call's round trip through
// the wine server and winedevice.exe takes 0.5-0.9 ms under load). The
// driver hands each report to the HID class driver, which keeps a read of
// the input interface waiting at all times and gives every open handle its
// own copy: the device does not wait for any program to read. A call fails
// at once when the interface is not there (the reports are lost, as on a
// real bus).
void InputPump::Run() {
  // A host controller polls the endpoint in hardware, whatever else the
  // machine does (Wine 8 keeps this priority to itself: the Linux thread's
  // stays as it was).
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  FrameSchedule schedule;
  std::vector<Report> due;
  Report report;
  while (!stopping_) {
    if (!receiver_.TakeReport(&report, kTakeWaitMs)) {
      schedule.Idle();
      continue;
    }
    SleepUntil(schedule.Next(FrameSchedule::Clock::now()));
    due.assign(1, report);
    schedule.Sent();
    while (due.size() < TARVEXVR_MAX_INPUT_BATCH &&
           schedule.Next(FrameSchedule::Clock::now()) <= FrameSchedule::Clock::now() &&
           receiver_.TakeReport(&report, 0)) {
      due.push_back(report);
      schedule.Sent();
    }
    Send(due);
    if (receiver_.PendingReports() == 0) schedule.Idle();
  }
}

void InputPump::Send(const std::vector<Report> &reports) {
  tarvexvr_input_batch batch{static_cast<unsigned>(reports.size()), kReportLength};
  std::vector<uint8_t> buffer(reinterpret_cast<const uint8_t *>(&batch),
                              reinterpret_cast<const uint8_t *>(&batch + 1));
  for (const Report &r : reports) {
    buffer.insert(buffer.end(), r.begin(), r.end());
    NoteReportHanded();
  }
  channel_.Call(IOCTL_TARVEXVR_SEND_INPUT, buffer.data(), static_cast<DWORD>(buffer.size()),
                nullptr, 0);
  for (size_t i = 0; i < reports.size(); ++i) receiver_.ReportSent();
}

}  // namespace vreceiver::process
