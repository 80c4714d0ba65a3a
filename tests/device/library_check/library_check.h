// A randomized check of the real library core on the strict virtual platform:
// random sequences, from a seed, of the seven exports and of receiver events,
// each followed by a comparison with the reference library once the reader has
// caught up. The same seed gives the same sequence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace librarycheck {

struct CheckOptions {
  uint64_t seed = 1;
  uint64_t steps = 300;
  // Include cancels that take effect late or never (readers then end by
  // force, leaving their reads).
  bool lateCancels = true;
};

struct CheckFigures {
  uint64_t steps = 0;
  uint64_t exportCalls = 0;
  uint64_t reportsSent = 0;
  uint64_t inputMessages = 0;
  uint64_t checkMessages = 0;
  uint64_t forcedEnds = 0;
  int64_t wheelSent = 0;    // deltas of every report the reader took
  int64_t wheelPosted = 0;  // deltas in the posted messages
  int64_t wheelPolled = 0;  // sums XGetInput handed out, and those it dropped
};

class LibraryCheck {
 public:
  explicit LibraryCheck(const CheckOptions &options);
  ~LibraryCheck();
  // Runs the steps; empty on success, else what went wrong at which step,
  // with the steps that led there.
  std::string Run();
  CheckFigures Figures() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace librarycheck
