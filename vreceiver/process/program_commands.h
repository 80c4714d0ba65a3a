// Commands that run the program under test beside the receiver: its
// standard output collected line by line, its exit, its handle and thread
// counts.
#pragma once

#include "interpreter.h"

namespace vreceiver::process {

void AddProgramCommands(vreceiver::script::Interpreter &interpreter);
// Ends a program still running (the tool's exit).
void StopProgram();

}  // namespace vreceiver::process
