// The receiver model, pendant side: input reports made from what the pendant
// holds, and the information the receiver answers with.
#include <algorithm>
#include <chrono>

#include "receiver_impl.h"
#include "vreceiver/pendant_commands.h"

namespace vreceiver {

Report MakeReport(const PendantState &p, int8_t wheelDelta) {
  const uint8_t mode = static_cast<uint8_t>((p.stepCode & 0x3F) | (p.wheelEnabled ? 0x40 : 0) |
                                            (p.emergencyStop ? 0x80 : 0));
  return Report{
      kInputReportId, 0, p.key1, p.key2, mode, p.axisCode, static_cast<uint8_t>(wheelDelta), 0};
}

void Receiver::QueueReport(const Report &report) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->QueueLocked(report);
}

void Receiver::SendReport(const Report &report) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->pendant = StateAfter(impl_->pendant, report);
  impl_->QueueLocked(report);
  impl_->Changed();  // the pendant moved even when the report was lost
}

void Receiver::SendState(int8_t wheelDelta) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->pendant.wheelDetents += wheelDelta;
  impl_->QueueLocked(MakeReport(impl_->pendant, wheelDelta));
  impl_->Changed();  // the wheel turned even when no report could go out
}

// Not locked: the script edits the state on its own thread, then sends it.
PendantState &Receiver::Pendant() { return impl_->pendant; }

void Receiver::PressKeys(uint8_t key1, uint8_t key2) {
  ChangePendant([&](PendantState &p) {
    p.key1 = key1;
    p.key2 = key2;
  });
}

void Receiver::ReleaseKeys() { PressKeys(0, 0); }

void Receiver::TurnWheel(int32_t delta) {
  while (delta != 0) {
    const int32_t step = std::clamp(delta, -128, 127);
    SendState(static_cast<int8_t>(step));
    delta -= step;
  }
}

void Receiver::SetAxis(uint8_t axisCode) {
  ChangePendant([&](PendantState &p) { p.axisCode = axisCode; });
}

void Receiver::SetStep(uint8_t stepCode) {
  ChangePendant([&](PendantState &p) { p.stepCode = stepCode; });
}

void Receiver::SetWheelEnabled(bool on) {
  ChangePendant([&](PendantState &p) { p.wheelEnabled = on; });
}

void Receiver::SetEmergencyStop(bool on) {
  ChangePendant([&](PendantState &p) { p.emergencyStop = on; });
}

void Receiver::ChangePendant(const std::function<void(PendantState &)> &change) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  change(impl_->pendant);
  impl_->QueueLocked(MakeReport(impl_->pendant, 0));
  impl_->Changed();  // the switch moved even when no report could go out
}

void Receiver::SetInfo(const ReceiverInfo &info) {
  ChangeSettings([&](Impl &m) { m.info = info; });
}

PendantState Receiver::PendantNow() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->pendant;
}

ReceiverInfo Receiver::Info() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->info;
}

size_t Receiver::PendingReports() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->reports.size() + impl_->reportsInFlight;
}

bool Receiver::TakeReport(Report *report, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  const bool ready = impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return impl_->shutdown || !impl_->reports.empty();
  });
  if (!ready || impl_->shutdown) return false;
  *report = impl_->reports.front();
  impl_->reports.pop_front();
  ++impl_->reportsInFlight;
  impl_->Changed();
  return true;
}

void Receiver::ReportSent() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->reportsInFlight > 0) --impl_->reportsInFlight;
  impl_->Changed();
}

}  // namespace vreceiver
