#include "program_commands.h"

#include <windows.h>
// windows.h first: tlhelp32.h needs its types.
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pipe_listener.h"
#include "text.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

using vreceiver::script::Args;

struct Program {
  std::mutex mutex;
  HANDLE process = nullptr;
  std::vector<std::string> lines;  // standard output, UTF-8, line ends removed
  std::string partial;
};

Program &TheProgram() {
  static Program *program = new Program;  // outlives the reader thread
  return *program;
}

void CollectOutput(HANDLE readEnd) {
  Program &program = TheProgram();
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    std::lock_guard<std::mutex> lock(program.mutex);
    for (DWORD i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        std::string line = program.partial;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        program.lines.push_back(vreceiver::script::GbkToUtf8(line));
        NoteLineArrived();
        program.partial.clear();
      } else {
        program.partial += buffer[i];
      }
    }
  }
  CloseHandle(readEnd);
}

// The program ends with the receiver process, however that ends.
HANDLE KillOnExitJob() {
  static HANDLE job = [] {
    HANDLE created = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return created;
  }();
  return job;
}

bool Running(Program &program) {
  return program.process && WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT;
}

bool Run(const Args &args, std::string *out) {
  Program &program = TheProgram();
  if (args.words.empty()) {
    *out = "expected a program";
    return false;
  }
  if (Running(program)) {
    *out = "a program is still running";
    return false;
  }
  std::string commandLine;
  for (const std::string &word : args.words) commandLine += "\"" + word + "\" ";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info{};
  BOOL ok = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                           nullptr, nullptr, &startup, &info);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    *out = "cannot start " + args.words[0] + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  AssignProcessToJobObject(KillOnExitJob(), info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  {
    std::lock_guard<std::mutex> lock(program.mutex);
    if (program.process) CloseHandle(program.process);
    program.process = info.hProcess;
    program.lines.clear();
    program.partial.clear();
  }
  RunDetached([readEnd] { CollectOutput(readEnd); });
  return true;
}

bool WaitExit(const Args &args, std::string *out) {
  Program &program = TheProgram();
  if (!program.process) {
    *out = "no program was started";
    return false;
  }
  if (WaitForSingleObject(program.process, args.Timeout()) != WAIT_OBJECT_0) {
    *out = "the program is still running";
    return false;
  }
  DWORD code = 0;
  GetExitCodeProcess(program.process, &code);
  *out = "exit code " + std::to_string(code);
  return true;
}

bool HasLine(const std::string &want) {
  Program &program = TheProgram();
  std::lock_guard<std::mutex> lock(program.mutex);
  for (const std::string &line : program.lines) {
    if (line == want) return true;
  }
  return false;
}

bool ExpectStdout(const Args &args, std::string *out) {
  if (args.words.size() != 1) {
    *out = "expected one quoted line";
    return false;
  }
  if (vreceiver::script::WaitUntil([&] { return HasLine(args.words[0]); }, args.Timeout())) return true;
  Program &program = TheProgram();
  std::lock_guard<std::mutex> lock(program.mutex);
  *out = "no such line; the program wrote:";
  for (const std::string &line : program.lines) *out += "\n  |" + line + "|";
  return false;
}

bool StdoutLines(const Args &args, std::string *out) {
  long want = 0;
  if (args.words.size() != 1 || !vreceiver::script::ParseNumber(args.words[0], &want)) {
    *out = "expected a count";
    return false;
  }
  Program &program = TheProgram();
  auto count = [&] {
    std::lock_guard<std::mutex> lock(program.mutex);
    return static_cast<long>(program.lines.size());
  };
  if (vreceiver::script::WaitUntil([&] { return count() == want; }, args.Timeout())) return true;
  *out = "the program wrote " + std::to_string(count()) + " lines";
  return false;
}

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

// "handles=H counted=C threads=T" of the running program.
bool ProcessCounts(const Args &, std::string *out) {
  Program &program = TheProgram();
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

}  // namespace

void StopProgram() {
  Program &program = TheProgram();
  if (Running(program)) TerminateProcess(program.process, 1);
}

void AddProgramCommands(vreceiver::script::Interpreter &in) {
  in.Add("run", "run PROGRAM [ARGS..]      start a program (its standard output is kept)", Run);
  in.Add("wait-exit", "wait-exit                 wait until the program has ended", WaitExit);
  in.Add("expect-stdout", "expect-stdout \"LINE\"      wait until the program wrote this line",
         ExpectStdout);
  in.Add("expect-stdout-lines", "expect-stdout-lines N     wait until it wrote exactly N lines",
         StdoutLines);
  in.Add("stdout", "stdout                    print what the program wrote so far",
         [](const Args &, std::string *out) {
           Program &program = TheProgram();
           std::lock_guard<std::mutex> lock(program.mutex);
           for (const std::string &line : program.lines)
             *out += (out->empty() ? "|" : "\n|") + line + "|";
           return true;
         });
  in.Add("process-counts", "process-counts            the program's handle and thread counts",
         ProcessCounts);
  in.Add("kill", "kill                      end the program", [](const Args &, std::string *) {
    StopProgram();
    return true;
  });
}

}  // namespace vreceiver::process
