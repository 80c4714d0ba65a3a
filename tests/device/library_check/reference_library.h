// The reference for the library's randomized check: what each export must
// answer, and which input messages must follow each report, in every state
// of the library, of the HID stack's queues and of the machine around it.
// Pure bookkeeping, no threads.
#pragma once

#include <cstdint>
#include <vector>

#include "virtual_hid_class.h"
#include "vreceiver/receiver.h"

namespace librarycheck {

using testsupport::CancelMode;
using WindowHandle = uintptr_t;

// The machine as the receiver model has it, and the stack's way with
// cancels. Each time one of the receiver's interfaces is listed anew it is
// another device instance (0: not listed); handles of an instance gone fail.
struct Machine {
  bool plugged = true;
  bool inputPresent = true;
  bool featurePresent = true;
  uint64_t inputInstance = 1;
  uint64_t featureInstance = 2;
  uint64_t lastInstance = 2;
  uint32_t foreignCount = 2;
  uint16_t productId = pendant::kDefaultProductId;
  int32_t refuseWrites = 0;  // -1 all, n > 0 the next n
  bool refuseReads = false;
  CancelMode cancelMode = CancelMode::kPrompt;
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
class ReferenceLibrary {
 public:
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
  void SetInterfacesPresent(bool input, bool feature);
  void SetForeignCount(uint32_t count) { machine_.foreignCount = count; }
  void SetProductId(uint16_t productId);
  void SetRefusals(int32_t writes, bool reads);
  void SetCancelMode(CancelMode mode);
  void ReleaseHeldCancels();
  // The pendant sends a report: the messages it brings, in order.
  std::vector<Posted> Send(const pendant::Report &report);

  WindowHandle window() const { return window_; }
  bool inputOpen() const { return inputOpen_; }
  bool featureOpen() const { return featureOpen_; }
  bool readerRunning() const { return readerRunning_; }
  uint32_t OpenHandles() const;
  // Reads pending: the reader's, and those of readers ended by force.
  uint32_t PendingReads() const;
  // Threads not yet gone: the reader, and each ended one still in its read.
  uint32_t ThreadsAlive() const;
  uint32_t LeftReads() const { return static_cast<uint32_t>(left_.size()); }
  // Wheel bookkeeping: every delta the reader took is handed out by
  // XGetInput, dropped (XGetInput while not open, Xinit), or still summed.
  int64_t wheelSent() const { return wheelSent_; }
  int64_t wheelPolled() const { return wheelPolled_; }
  int64_t wheelDropped() const { return wheelDropped_; }
  int32_t wheel() const { return wheel_; }

 private:
  // The read of a reader ended by force, left pending with its handle until
  // it ends and a later call closes both.
  struct LeftRead {
    bool cancelHeld = false;  // ends when held cancels are released
    bool over = false;        // ended, not yet closed
  };

  bool FeatureLive() const;
  bool InputListed() const { return machine_.plugged && machine_.inputPresent; }
  void NewInstances(bool wasInput, bool wasFeature);
  void InputGone();
  bool Write();  // one feature report to the receiver; false when refused
  int32_t ReopenOnDemand();
  int32_t SendReports(uint32_t count);
  void Scan();
  void ReleaseInput();
  void StopReader();
  void ReclaimLeft();
  uint32_t LeftPending() const;
  Posted Take(const pendant::Report &report);

  Machine machine_;
  bool initialised_ = false;
  WindowHandle window_ = 0;
  bool inputOpen_ = false;
  bool inputIsNew_ = false;
  bool featureOpen_ = false;
  uint64_t featureInstance_ = 0;
  bool readerRunning_ = false;
  bool stopRequested_ = false;
  // The reader is in a read on the input handle it was made to let go of (its
  // cancel held or ignored); a scan that finds the interface takes it back.
  bool retired_ = false;
  // A held cancel waits on the read the reader is in.
  bool readHeld_ = false;
  std::vector<LeftRead> left_;
  uint8_t deviceType_ = 0;
  uint32_t currentInput_ = 0;
  int32_t wheel_ = 0;
  int64_t wheelSent_ = 0;
  int64_t wheelPolled_ = 0;
  int64_t wheelDropped_ = 0;
};

}  // namespace librarycheck
