// The UI probe's commands (ui-...), shared by uiprobe.exe and the receiver
// process's scripts. Every ui-expect waits, bounded, for what it names. The
// commands on a window's controls act on Tarvex's main window, or with
// window=pendant on the virtual pendant's; ui-pendant-... act on the
// pendant's wheel, keypad and LCD.
#pragma once

#include "interpreter.h"

namespace uiprobe {

void AddUiCommands(vreceiver::script::Interpreter &interpreter);

}  // namespace uiprobe
