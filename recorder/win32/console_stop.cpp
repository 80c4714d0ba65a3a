#include "console_stop.h"

namespace recorder {

namespace {

// Windows ends the process 5 s after a close event reaches the handler.
constexpr DWORD kCloseWaitMs = 4000;

HANDLE stopEvent = nullptr;
HANDLE finishedEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  SetEvent(stopEvent);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(finishedEvent, kCloseWaitMs);
  }
  return TRUE;
}

}  // namespace

HANDLE InstallConsoleStop() {
  stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  finishedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!stopEvent || !finishedEvent || !SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) return nullptr;
  return stopEvent;
}

void ConsoleStopFinished() {
  if (finishedEvent) SetEvent(finishedEvent);
}

}  // namespace recorder
