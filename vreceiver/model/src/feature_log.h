// What the receiver makes of the feature reports it accepts: greetings,
// display frames and commands, in the order they arrived.
#pragma once

#include <cstdint>
#include <vector>

#include "vreceiver/receiver.h"

namespace vreceiver {

class FeatureLog {
 public:
  // One accepted report: 8 bytes, or the 6-byte command prelude. Returns
  // what it was taken for.
  FeatureKind Add(const uint8_t *report, uint32_t length);
  void Clear();

  std::vector<uint8_t> GreetingDays() const;
  std::vector<DisplayText> DisplayTexts() const;
  std::vector<Command> Commands() const;

 private:
  // The receiver's reading of the reports it got, made when asked: a report
  // starting FE FD begins a frame, which takes the reports after it up to the
  // display's nine (a 62-byte frame: header and 59 LCD bytes), or fewer when
  // another frame begins first. A greeting (FE FD, day, four spaces) stands
  // alone unless a whole display frame follows it. Any other report is a
  // command of its own. Windows' class driver refuses the 6-byte command
  // prelude, so it seldom gets here; when it does, the reports after it up
  // to the next frame or prelude are one command.
  struct Entry {
    bool isCommand = false;
    std::vector<uint8_t> bytes;  // report data bytes (frame: header included)
  };
  std::vector<Entry> Entries() const;
  FeatureKind KindOfLast() const;
  // Frame reports at `start`: the start report and its continuations.
  size_t FrameReports(size_t start) const;
  bool IsGreeting(const Entry &entry) const;

  std::vector<std::vector<uint8_t>> reports_;  // accepted reports, in order
};

}  // namespace vreceiver
