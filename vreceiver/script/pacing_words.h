// The commands that note a session's moments: the timings the benchmark
// reads, marks in them, the demo's snapshots, and echo. Their words are
// checked here (portable); what timings, mark and snapshot do is the
// receiver process's, handed in as actions.
#pragma once

#include <functional>
#include <string>

#include "interpreter.h"

namespace vreceiver::script {

struct PacingActions {
  // timings FILE
  std::function<bool(const Args &, const std::string &file, std::string *)> timings;
  // mark NAME, snapshot NAME [timeout=MS]
  std::function<bool(const Args &, const std::string &name, std::string *)> mark, snapshot;
};

void AddPacingCommands(Interpreter &interpreter, const PacingActions &actions);

}  // namespace vreceiver::script
