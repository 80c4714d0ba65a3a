// interrupt: Ctrl+C to a program, as a person presses it in its console.
#include <windows.h>

#include <string>

#include "program_commands.h"
#include "programs.h"

namespace vreceiver::process {

// A helper process (this program, --ctrl-c PID) joins the program's console
// and raises the event there, so the receiver process itself is not hit.
bool Interrupt(const vreceiver::script::Args &args, std::string *out) {
  Program &program = TheProgram(args);
  if (!Running(program)) {
    *out = "no running program to interrupt";
    return false;
  }
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine =
      "\"" + std::string(self) + "\" --ctrl-c " + std::to_string(GetProcessId(program.process));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      nullptr, &startup, &info)) {
    *out = "cannot start the Ctrl+C helper (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  CloseHandle(info.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(info.hProcess, args.Timeout()) == WAIT_OBJECT_0) {
    GetExitCodeProcess(info.hProcess, &code);
  }
  CloseHandle(info.hProcess);
  if (code != 0) *out = "Ctrl+C did not reach the program's console";
  return code == 0;
}

int CtrlCToConsoleOf(DWORD processId) {
  FreeConsole();
  if (!AttachConsole(processId)) return 1;
  SetConsoleCtrlHandler(nullptr, TRUE);  // not for this helper
  const bool raised = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
  FreeConsole();
  return raised ? 0 : 1;
}

}  // namespace vreceiver::process
