// Commands on the virtual receiver: the machine (plug, product ID, foreign
// interfaces), the pendant (keys, wheel, selectors, flags, information
// report) and what the receiver got (greetings, display texts, commands).
#pragma once

#include "interpreter.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

void AddReceiverCommands(vreceiver::script::Interpreter &interpreter, vreceiver::Receiver &receiver);

}  // namespace vreceiver::process
