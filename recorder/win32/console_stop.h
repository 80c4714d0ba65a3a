// Ctrl+C, Ctrl+Break and closing the console window ask the recording to
// stop. The console runs its handler on a thread of its own while the main
// thread waits for a report; the handler only sets the stop event, and the
// main thread writes the last lines and closes the file. For a closing
// window (the process ends once the handler returns) the handler waits,
// bounded, until the main thread says it has finished.
#pragma once

#include <windows.h>

namespace recorder {

// Installs the handler; the event it sets, or null when that failed.
HANDLE InstallConsoleStop();
// The recording is closed: a closing console may end the process now.
void ConsoleStopFinished();

}  // namespace recorder
