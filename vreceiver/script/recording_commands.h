// The commands a recording holds: the receiver's (product, information,
// plug, unplug), the pendant's (one input report each), wait-sent and
// sleep. Each is checked: its words are found right before anything acts,
// so a whole recording is checked before its first line plays.
#pragma once

#include <cstdint>

#include "interpreter.h"
#include "vreceiver/receiver.h"

namespace vreceiver::script {

// The longest gap a sleep keeps: a recorder left running over a break
// writes longer ones, which play as this (with a note), so that a day's
// recording still replays and no line holds a replay for days.
constexpr uint32_t kLongestGapMs = 60 * 60 * 1000;

// A machine command changes the receiver only. The device serving it
// follows; the command returns once the system shows the change (a plug
// waits until the interfaces are listed), or says why it does not.
bool Served(Receiver &receiver, std::string *out);

void AddRecordingCommands(Interpreter &interpreter, Receiver &receiver);
// `sleep MS` alone (every script has it).
void AddSleep(Interpreter &interpreter);

}  // namespace vreceiver::script
