#include "input_pump.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

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

void InputPump::Start() {
  thread_ = std::thread([this] { Run(); });
}

void InputPump::Stop() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
}

// One report per frame, on the frame schedule: a report whose frame has
// passed goes out at once. The driver hands each report to the HID class
// driver, which keeps a read of the input interface waiting at all times
// and gives every open handle its own copy: the device does not wait for
// any program to read. A call fails at once when the interface is not
// there (the report is lost, as on a real bus).
//
// One report a call, though a call may carry more: Wine's HID class driver
// loses reports that reach it back to back while a program's read comes in
// (its per-handle queue moves its indices outside its lock); the round
// trip of a call keeps them apart.
void InputPump::Run() {
  // A host controller polls the endpoint in hardware, whatever else the
  // machine does: the pump must not wait behind the programs it serves.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  FrameSchedule schedule;
  Report report;
  while (!stopping_) {
    if (!receiver_.TakeReport(&report, kTakeWaitMs)) {
      schedule.Idle();
      continue;
    }
    SleepUntil(schedule.Next(FrameSchedule::Clock::now()));
    Send({report});
    schedule.Sent();
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
  control_.Call(IOCTL_TARVEXVR_SEND_INPUT, buffer.data(), static_cast<DWORD>(buffer.size()),
                nullptr, 0);
  for (size_t i = 0; i < reports.size(); ++i) receiver_.ReportSent();
}

}  // namespace vreceiver::process
