// The UI probe's commands (ui-...), shared by uiprobe.exe and the receiver
// process's scripts. Every ui-expect waits, bounded, for what it names.
#pragma once

#include "interpreter.h"

namespace uiprobe {

void AddUiCommands(vrscript::Interpreter &interpreter);

}  // namespace uiprobe
