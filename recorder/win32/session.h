// One recording, from finding the receiver to the file's last line.
#pragma once

#include <windows.h>

#include "recorder_options.h"

namespace recorder {

// Records as the options say until `stop` is set, the time or the count of
// reports is reached, or the file cannot be written; the exit code.
int RecordSession(const Options &options, HANDLE stop);

}  // namespace recorder
