// The pendant: the keys, selectors, switches and handwheel a person works,
// and the input report it sends the receiver by radio at each change. What
// it holds is kept in the receiver model (one state: the pendant window
// shows it, a recording's decoder starts from it); a Pendant changes it.
#pragma once

#include <cstdint>
#include <functional>

#include "vreceiver/receiver.h"

namespace vreceiver {

class Pendant {
 public:
  explicit Pendant(Receiver &receiver) : receiver_(receiver) {}

  // Reports made while the receiver is unplugged are lost, as are those
  // still queued when it is unplugged.
  void QueueReport(const Report &report);
  // Sends this report as it stands (a recording's raw report): it is
  // queued, and the pendant holds what the report says from then on.
  void SendReport(const Report &report);
  // Sends a report built from the pendant state with the given wheel delta.
  void SendState(int8_t wheelDelta = 0);
  PendantState &State();                           // edit, then SendState()
  void PressKeys(uint8_t key1, uint8_t key2 = 0);  // one report with the keys down
  void ReleaseKeys();                              // one report with no key
  void TurnWheel(int32_t delta);                   // split into reports of -128..127
  // Each selector or switch change sends one report with the new state.
  void SetAxis(uint8_t axisCode);
  void SetStep(uint8_t stepCode);
  void SetWheelEnabled(bool on);
  void SetEmergencyStop(bool on);
  // A copy of what the pendant holds now (a window shows it).
  PendantState Now() const;

 private:
  // Applies a change to the pendant state and sends the new state.
  void Change(const std::function<void(PendantState &)> &change);

  Receiver &receiver_;
};

}  // namespace vreceiver
