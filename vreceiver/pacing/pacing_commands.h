// Commands that note a session's moments: echo, marks, the demo's
// snapshots, and the timings the benchmark reads.
#pragma once

#include "interpreter.h"

namespace vreceiver::process {

void AddPacingCommands(vreceiver::script::Interpreter &interpreter);

}  // namespace vreceiver::process
