// process-counts: the handle and thread counts of a running program.
#include <windows.h>
// windows.h first: tlhelp32.h needs its types.
#include <tlhelp32.h>

#include <cstdint>

#include "programs.h"

namespace vreceiver::process {

namespace {

// Threads of process PID now, from a snapshot of the system's threads.
long ThreadCount(DWORD pid) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  long count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == pid) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Open handles of PROCESS found by duplicating every handle value up to
// 64K: Wine's GetProcessHandleCount answers 0 for any process.
long DuplicableHandles(HANDLE process) {
  long count = 0;
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                        FALSE, DUPLICATE_SAME_ACCESS)) {
      CloseHandle(copy);
      ++count;
    }
  }
  return count;
}

}  // namespace

// "handles=H counted=C threads=T" of the running program.
bool ProcessCounts(const vreceiver::script::Args &args, std::string *out) {
  Program &program = TheProgram(args);
  DWORD handles = 0;
  if (!Running(program) || !GetProcessHandleCount(program.process, &handles)) {
    *out = "no running program to count (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  *out = "handles=" + std::to_string(handles) +
         " counted=" + std::to_string(DuplicableHandles(program.process)) +
         " threads=" + std::to_string(ThreadCount(GetProcessId(program.process)));
  return true;
}

}  // namespace vreceiver::process
