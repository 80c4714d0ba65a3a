// The receiver process's command pipe: each message is one command line,
// answered with "ok" or "fail", then what the command printed. Lets a
// person or a test drive a running receiver (vreceiver.exe --send ...).
#pragma once

#include <memory>
#include <string>

#include "interpreter.h"
#include "pipe_listener.h"

namespace vreceiver::process {

constexpr const char *kCommandPipe = "\\\\.\\pipe\\tarvex-vreceiver-command";

std::unique_ptr<PipeListener> ServeCommands(vreceiver::script::Interpreter &interpreter);
// Sends one command to a running receiver; prints its answer.
bool SendCommand(const std::string &line);

}  // namespace vreceiver::process
