// The virtual pendant's window (vreceiver.exe --window): shows the
// receiver model and drives it. Every action runs as the command line a
// script would use and is echoed to standard output as "pendant> COMMAND",
// so a hand session can be replayed as a script:
//   sed -n 's/^pendant> //p' output.txt > session.vr
#pragma once

#include <functional>

#include "interpreter.h"
#include "vreceiver/receiver.h"

namespace pendant_window {

// Opens the window on a thread of its own; returns once it is shown (false
// when it could not be made). onClosed runs on that thread after the user
// closed it.
bool OpenPendantWindow(vreceiver::script::Interpreter &interpreter, vreceiver::Receiver &receiver,
                       std::function<void()> onClosed);

}  // namespace pendant_window
