// The reference for the library's randomized check: what each export must
// answer, and which input messages must follow, in every state of the
// library and of the machine around it. Pure bookkeeping, no threads.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "vreceiver/receiver.h"

namespace modelcheck {

using WindowHandle = uintptr_t;

// The machine as the receiver model has it.
struct Machine {
  bool plugged = true;
  uint64_t plugEpoch = 1;
  bool inputPresent = true;
  bool featurePresent = true;
  uint32_t foreignCount = 2;
  uint16_t productId = vreceiver::kDefaultProductId;
  int32_t refuseWrites = 0;  // -1 all, n > 0 the next n
  bool refuseReads = false;
  bool cancelIgnored = false;
  std::deque<vreceiver::Report> reports;  // queued, not yet read
};

struct Posted {
  WindowHandle window;
  uintptr_t wParam;
  intptr_t lParam;
};

struct SendResult {
  int32_t result;
  uint8_t length;  // the caller's length byte afterwards
};

// The library's state as the exports must leave it.
class ReferenceModel {
 public:
  Machine &machine() { return machine_; }
  const Machine &machine() const { return machine_; }

  int32_t Xinit();
  int32_t XOpen(WindowHandle window);
  int32_t XClose();
  // values[0..1] and *status are written only on XR_OK.
  int32_t XGetInput(uint32_t *values, uint8_t *status);
  SendResult XSendOutput(uint8_t length);
  int32_t XWritDev(uint8_t count);
  // The answer to GetDeviceData, or 0.
  int32_t GetDeviceData(uint8_t kind, uint8_t *buffer);

  void Plug();
  void Unplug();
  void QueueReport(const vreceiver::Report &report);

  // The reader takes what is queued while it can; returns the messages that
  // brings, in order.
  std::vector<Posted> Drain();

  WindowHandle window() const { return window_; }
  bool inputOpen() const { return inputOpen_; }
  bool featureOpen() const { return featureOpen_; }
  bool readerRunning() const { return readerRunning_; }
  // A handle taken away while an uncancellable read holds it stays open
  // until that read returns.
  bool retiredMayBeOpen() const { return retiredMayBeOpen_; }
  uint32_t OpenHandles() const { return (inputOpen_ ? 1 : 0) + (featureOpen_ ? 1 : 0); }
  // Wheel bookkeeping: every delta the reader took is handed out by
  // XGetInput, dropped (XGetInput while not open, Xinit), or still summed.
  int64_t wheelSent() const { return wheelSent_; }
  int64_t wheelPolled() const { return wheelPolled_; }
  int64_t wheelDropped() const { return wheelDropped_; }
  int32_t wheel() const { return wheel_; }

 private:
  bool FeatureLive() const;
  bool Write();  // one feature report to the receiver; false when refused
  int32_t ReopenOnDemand();
  int32_t SendReports(uint32_t count);
  void Scan();

  Machine machine_;
  bool initialised_ = false;
  WindowHandle window_ = 0;
  bool inputOpen_ = false;
  bool featureOpen_ = false;
  uint64_t featureEpoch_ = 0;
  bool readerRunning_ = false;
  bool stopRequested_ = false;
  bool retiredMayBeOpen_ = false;
  uint8_t deviceType_ = 0;
  uint32_t currentInput_ = 0;
  int32_t wheel_ = 0;
  int64_t wheelSent_ = 0;
  int64_t wheelPolled_ = 0;
  int64_t wheelDropped_ = 0;
};

}  // namespace modelcheck
