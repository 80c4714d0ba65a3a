// When the receiver hands out its next input report: one report per USB
// frame of 1 ms, as a full-speed interrupt endpoint is polled once a frame.
// The frames run on a fixed schedule from the start of a burst, so a report
// whose frame has passed goes out at once when the pump wakes late: the rate
// holds at one report per frame on average, whatever the sleeps overshoot.
// Portable (a plain clock): the pump uses it under Wine, the tests natively.
#pragma once

#include <algorithm>
#include <chrono>

namespace vreceiver {

class FrameSchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // A stall of the pump longer than `catchUpFrames` frames is not made up
  // in full: a real endpoint never stalls, and a burst larger than the HID
  // class driver's ring of 32 reports per handle would lose reports that a
  // real receiver, polled every frame, would have delivered.
  explicit FrameSchedule(Clock::duration frame = std::chrono::milliseconds(1),
                         int catchUpFrames = 16)
      : frame_(frame), catchUp_(frame * catchUpFrames) {}

  // The moment the next report may go out, for a report in hand at `now`:
  // at or before `now` means at once.
  Clock::time_point Next(Clock::time_point now) {
    if (idle_) {
      // A new burst starts at the first frame not yet used.
      due_ = std::max(due_, now);
      idle_ = false;
    } else if (now - due_ > catchUp_) {
      due_ = now - catchUp_;
    }
    return due_;
  }

  // The report due at Next() went out; the next one takes the next frame.
  void Sent() { due_ += frame_; }

  // No report was waiting after the last one went out: the next report,
  // whenever it comes, starts a new burst instead of catching up.
  void Idle() { idle_ = true; }

 private:
  Clock::duration frame_;
  Clock::duration catchUp_;
  Clock::time_point due_{};
  bool idle_ = true;
};

}  // namespace vreceiver
