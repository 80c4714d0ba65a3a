// How a script's sleeps keep to its timeline. Each `sleep MS` ends MS
// (divided by the speed) after the previous sleep ended as scheduled, so
// that neither the time the commands between them take nor a late wake-up
// adds up over a long recording: a replay hands its reports over with the
// recorded gaps, and a late one is made up by the next gap. A sleep that
// begins more than kMaxCatchUpMs after the previous one ended (a command
// between them waited for something) starts the timeline afresh.
#pragma once

#include <cstdint>

namespace vreceiver::script {

constexpr int64_t kMaxCatchUpMs = 50;

class ScriptPace {
 public:
  // Speed 2 plays twice as fast, 0.5 half as fast; it must be above 0.
  explicit ScriptPace(double speed = 1.0) : speed_(speed) {}
  // From the next sleep on; what was slept keeps its time.
  void SetSpeed(double speed);
  // When a sleep of `ms` that begins at `nowUs` ends, in microseconds of
  // the same steady clock; never before `nowUs`.
  int64_t SleepEnd(int64_t nowUs, uint32_t ms);

 private:
  int64_t Scheduled() const;

  double speed_;
  bool started_ = false;
  // The timeline: its start, and the milliseconds slept since (summed
  // whole, so that a speed such as 3 does not drift by rounding).
  int64_t anchorUs_ = 0;
  uint64_t sleptMs_ = 0;
};

// A speed as a command line gives it ("2", "0.5"): a number above 0 and at
// most 1000; false otherwise.
bool ParseSpeed(const char *text, double *speed);

}  // namespace vreceiver::script
