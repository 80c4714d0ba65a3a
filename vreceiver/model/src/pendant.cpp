// The pendant: input reports made from what it holds, sent to the
// receiver's queue.
#include <algorithm>
#include <chrono>

#include "pendant/pendant_commands.h"
#include "receiver_impl.h"
#include "vreceiver/pendant.h"

namespace vreceiver {

void Pendant::QueueReport(const Report &report) {
  Receiver::Impl &m = *receiver_.impl_;
  std::lock_guard<std::mutex> lock(m.mutex);
  m.QueueLocked(report);
}

void Pendant::SendReport(const Report &report) {
  Receiver::Impl &m = *receiver_.impl_;
  std::lock_guard<std::mutex> lock(m.mutex);
  m.pendant = StateAfter(m.pendant, report);
  m.QueueLocked(report);
  m.PendantMovedLocked();  // even when the report was lost
}

void Pendant::SendState(int8_t wheelDelta) {
  Receiver::Impl &m = *receiver_.impl_;
  std::lock_guard<std::mutex> lock(m.mutex);
  m.pendant.wheelDetents += wheelDelta;
  m.QueueLocked(MakeReport(m.pendant, wheelDelta));
  m.PendantMovedLocked();  // even when no report could go out
}

// Not locked: the script edits the state on its own thread, then sends it.
PendantState &Pendant::State() { return receiver_.impl_->pendant; }

void Pendant::PressKeys(uint8_t key1, uint8_t key2) {
  Change([&](PendantState &p) {
    p.key1 = key1;
    p.key2 = key2;
  });
}

void Pendant::ReleaseKeys() { PressKeys(0, 0); }

void Pendant::TurnWheel(int32_t delta) {
  while (delta != 0) {
    const int32_t step = std::clamp(delta, -128, 127);
    SendState(static_cast<int8_t>(step));
    delta -= step;
  }
}

void Pendant::SetAxis(uint8_t axisCode) {
  Change([&](PendantState &p) { p.axisCode = axisCode; });
}

void Pendant::SetStep(uint8_t stepCode) {
  Change([&](PendantState &p) { p.stepCode = stepCode; });
}

void Pendant::SetWheelEnabled(bool on) {
  Change([&](PendantState &p) { p.wheelEnabled = on; });
}

void Pendant::SetEmergencyStop(bool on) {
  Change([&](PendantState &p) { p.emergencyStop = on; });
}

void Pendant::Change(const std::function<void(PendantState &)> &change) {
  Receiver::Impl &m = *receiver_.impl_;
  std::lock_guard<std::mutex> lock(m.mutex);
  change(m.pendant);
  m.QueueLocked(MakeReport(m.pendant, 0));
  m.PendantMovedLocked();  // even when no report could go out
}

PendantState Pendant::Now() const {
  std::lock_guard<std::mutex> lock(receiver_.impl_->mutex);
  return receiver_.impl_->pendant;
}

}  // namespace vreceiver
