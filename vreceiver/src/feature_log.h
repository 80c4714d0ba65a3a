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
  // A frame is every report from one starting FE FD up to the next start or
  // prelude; a command is every report after a prelude up to the next start
  // or prelude, or a lone report outside both. The frame has no length
  // field, so its end is only known then.
  struct Entry {
    bool isCommand = false;
    std::vector<uint8_t> bytes;  // report data bytes (frame: header included)
  };
  bool IsGreeting(const Entry &entry) const;

  std::vector<Entry> entries_;
  bool open_ = false;          // the last entry still takes continuation reports
  bool freshCommand_ = false;  // a prelude came and its first report not yet
};

}  // namespace vreceiver
