// Replays a recording: a file a user was sent, so it is data. It is read
// and checked whole (every line a recording's command with the right words,
// within the bounds below) before its first line plays; anything else is
// refused as "FILE:LINE: what is wrong" and nothing happens. The file is
// read twice, line by line, so that a day's recording needs no more memory
// than a line; the play checks each line again, so a file changed in
// between still plays nothing but a recording's commands.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "interpreter.h"

namespace vreceiver::script {

struct ReplayLimits {
  // A day at 1,000 reports a second written as the recorder writes it is
  // at most 86.4 million reports of up to 33 bytes with a sleep of 9
  // before each, 3.6 GB; larger is not a recording.
  uint64_t largestFile = uint64_t{4} << 30;
  // A recorder's longest line is 70 bytes; a hand-edited `report` line of
  // a hundred reports fits.
  size_t longestLine = 4096;
  // A recording the recorder left running for a week still replays.
  uint64_t longestPlayMs = uint64_t{7} * 24 * 60 * 60 * 1000;
};

struct ReplaySummary {
  uint64_t lines = 0;
  uint64_t playMs = 0;     // its sleeps added up, as they will play
  uint64_t notes = 0;      // lines that play other than written
  std::string firstNotes;  // the first few of them, "FILE:LINE: note" each
};

// `recording` holds the recording's commands only (AddRecordingCommands).
class Replay {
 public:
  Replay(const Interpreter &recording, const std::string &name, ReplayLimits limits = {})
      : recording_(recording), name_(name), limits_(limits) {}
  // Reads and checks all of `in`; false with "NAME:LINE: what is wrong".
  bool Check(std::istream &in, ReplaySummary *summary, std::string *error) const;
  // Plays a checked recording from `in`: `before` gets each line and its
  // number before it runs, and may end the play (false; `error` is left
  // empty). False with "NAME:LINE: what failed" when a line fails, or is
  // wrong after all.
  bool Play(std::istream &in,
            const std::function<bool(uint64_t number, const std::string &line)> &before,
            std::string *error) const;

 private:
  const Interpreter &recording_;
  std::string name_;
  ReplayLimits limits_;
};

// A line of a script that holds a command (not blank, not a comment).
bool IsCommandLine(const std::string &line);
// The milliseconds a sleep line plays (at most the longest gap), 0 for
// any other line.
uint64_t PlayedMs(const std::string &line);

}  // namespace vreceiver::script
