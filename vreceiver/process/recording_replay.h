// vreceiver.exe --replay: a recording's file checked whole before the
// receiver is served (a refused one does nothing at all), then played.
#pragma once

#include <string>

#include "interpreter.h"

namespace vreceiver::process {

// Prints what the check found: the length and notes, or why it was refused.
bool CheckRecording(const std::string &path, const vreceiver::script::Interpreter &recording);
// Plays a checked recording, echoing each command as a script run does.
bool PlayRecording(const std::string &path, const vreceiver::script::Interpreter &recording);

}  // namespace vreceiver::process
