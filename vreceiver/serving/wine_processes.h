// Wine keeps its raw-input list of HID devices with handles opened in its
// own processes (explorer.exe); on Windows that list lives in the kernel.
// Those opens are no program's.
#pragma once

#include <cstdint>

namespace vreceiver::process {

// True when the process runs a program from Wine's Windows folder.
bool IsWineProcess(uint32_t processId);

}  // namespace vreceiver::process
