// Commands on the virtual receiver: the machine (plug, product ID, foreign
// interfaces), the pendant (keys, wheel, selectors, flags, information
// report) and what the receiver got (greetings, display texts, commands).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "interpreter.h"
#include "vreceiver/receiver.h"

namespace vreceiver::process {

// The HID interface paths the system lists now; `show` prints them beside
// the model's interfaces. Empty where there is no system to ask (natively).
using ListedPaths = std::function<std::vector<std::string>()>;

void AddReceiverCommands(vreceiver::script::Interpreter &interpreter, vreceiver::Receiver &receiver,
                         const ListedPaths &listPaths = {});

}  // namespace vreceiver::process
