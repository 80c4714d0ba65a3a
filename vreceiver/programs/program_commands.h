// Commands that run the programs under test beside the receiver (one
// unnamed, others by name: `run as=NAME`): their standard output collected
// line by line, their exit, their handle and thread counts, Ctrl+C.
#pragma once

#include <windows.h>

#include "interpreter.h"

namespace vreceiver::process {

void AddProgramCommands(vreceiver::script::Interpreter &interpreter);
// Ends the programs still running (the tool's exit).
void StopProgram();
// The Ctrl+C helper (vreceiver.exe --ctrl-c PID): raises Ctrl+C in the
// console of that process; its exit code.
int CtrlCToConsoleOf(DWORD processId);

}  // namespace vreceiver::process
