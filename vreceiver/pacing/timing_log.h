// Moments of the receiver process for scripts/bench.sh: when each input
// report was handed to the device and when each line of the program's
// standard output arrived, on one clock (steady_clock, microseconds).
// Figures only; nothing checks them.
#pragma once

#include <string>

namespace vreceiver::process {

void NoteReportHanded();
void NoteLineArrived();
// A named moment of the script (e.g. before and after closing the window).
void NoteMark(const std::string &name);
// Writes "send US", "line US" and "mark NAME US" rows (each kind in order)
// and forgets them.
bool WriteTimings(const std::string &path);

}  // namespace vreceiver::process
