// The command language's `sleep`: each thread that runs commands (the
// script files', each command pipe client's, the pendant window's player)
// keeps a timeline of its own (script_pace.h).
#pragma once

#include <cstdint>
#include <functional>

namespace vreceiver::script {

// Waits up to `ms` for a stop; true once stopped.
using StopWait = std::function<bool(uint32_t ms)>;

// The speed every thread's timeline starts at (vreceiver.exe --speed).
void SetDefaultSpeed(double speed);
// The calling thread's speed from now on.
void SetThreadSpeed(double speed);
// Once `stop` says stopped (empty: never), the calling thread's sleeps end
// at once and fail.
void SetThreadStop(StopWait stop);
// Sleeps until the end of `ms` on the calling thread's timeline; false
// when its stop ended the sleep.
bool PacedSleep(uint32_t ms);

}  // namespace vreceiver::script
