// The command language's `sleep`: each thread that runs commands (the
// script files', each command pipe client's, the pendant window's player)
// keeps a timeline of its own (script_pace.h).
#pragma once

#include <windows.h>

#include <cstdint>

namespace vreceiver::script {

// The speed every thread's timeline starts at (vreceiver.exe --speed).
void SetDefaultSpeed(double speed);
// The calling thread's speed from now on.
void SetThreadSpeed(double speed);
// Once `stop` (an event; null for none) is set, the calling thread's
// sleeps end at once and fail.
void SetThreadStop(HANDLE stop);
// Sleeps until the end of `ms` on the calling thread's timeline; false
// when its stop event ended the sleep.
bool PacedSleep(uint32_t ms);

}  // namespace vreceiver::script
