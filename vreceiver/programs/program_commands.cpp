#include "program_commands.h"

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "programs.h"
#include "text.h"
#include "threads.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

using vreceiver::script::Args;

void CollectOutput(Program &program, HANDLE readEnd) {
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

bool Run(const Args &args, std::string *out) {
  Program &program = TheProgram(args);
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
  // A console program gets a console of its own, with no window, so that
  // `interrupt` reaches it alone.
  BOOL ok = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                           CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
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
  RunDetached([&program, readEnd] { CollectOutput(program, readEnd); });
  return true;
}

// Waits for the program's end; with code=N, an exit code other than N fails.
bool WaitExit(const Args &args, std::string *out) {
  Program &program = TheProgram(args);
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
  auto want = args.options.find("code");
  long wanted = 0;
  if (want == args.options.end()) return true;
  if (!vreceiver::script::ParseNumber(want->second, &wanted)) {
    *out = "code= expects a number";
    return false;
  }
  if (static_cast<long>(code) == wanted) return true;
  *out += ", expected " + want->second;
  return false;
}

// How many lines the program wrote that are `want`, or hold it when `part`.
size_t CountLines(Program &program, const std::string &want, bool part) {
  std::lock_guard<std::mutex> lock(program.mutex);
  size_t count = 0;
  for (const std::string &line : program.lines) {
    if (part ? line.find(want) != std::string::npos : line == want) ++count;
  }
  return count;
}

// Waits for such a line; with count=N, for N of them.
bool ExpectLine(const Args &args, bool part, std::string *out) {
  long count = 1;
  auto wanted = args.options.find("count");
  if (args.words.size() != 1 ||
      (wanted != args.options.end() &&
       (!vreceiver::script::ParseNumber(wanted->second, &count) || count < 1))) {
    *out = "expected one quoted line (and count=N)";
    return false;
  }
  Program &program = TheProgram(args);
  auto enough = [&] {
    return CountLines(program, args.words[0], part) >= static_cast<size_t>(count);
  };
  if (vreceiver::script::WaitUntil(enough, args.Timeout())) return true;
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
  Program &program = TheProgram(args);
  auto count = [&] {
    std::lock_guard<std::mutex> lock(program.mutex);
    return static_cast<long>(program.lines.size());
  };
  if (vreceiver::script::WaitUntil([&] { return count() == want; }, args.Timeout())) return true;
  *out = "the program wrote " + std::to_string(count()) + " lines";
  return false;
}

// Whether a program left a file behind (yes) or not (no).
bool ExpectFile(const Args &args, std::string *out) {
  if (args.words.size() != 2 || (args.words[1] != "yes" && args.words[1] != "no")) {
    *out = "expected a file and yes or no";
    return false;
  }
  const bool there = GetFileAttributesA(args.words[0].c_str()) != INVALID_FILE_ATTRIBUTES;
  if (there == (args.words[1] == "yes")) return true;
  *out = args.words[0] + (there ? " is there" : " is not there");
  return false;
}

}  // namespace

void StopProgram() {
  ForEachProgram([](Program &program) {
    if (Running(program)) TerminateProcess(program.process, 1);
  });
}

void AddProgramCommands(vreceiver::script::Interpreter &in) {
  // Every command takes as=NAME for a program started so.
  in.Add("run", "run [as=NAME] PROGRAM [ARGS..]   start a program (its standard output is kept)",
         Run);
  in.Add("wait-exit",
         "wait-exit [code=N]        wait until the program has ended (with exit code N)", WaitExit);
  in.Add("expect-stdout",
         "expect-stdout \"LINE\" [count=N]   wait until the program wrote this line (N times)",
         [](const Args &args, std::string *out) { return ExpectLine(args, false, out); });
  in.Add("expect-stdout-with",
         "expect-stdout-with \"TEXT\" wait until the program wrote a line holding TEXT",
         [](const Args &args, std::string *out) { return ExpectLine(args, true, out); });
  in.Add("expect-stdout-lines", "expect-stdout-lines N     wait until it wrote exactly N lines",
         StdoutLines);
  in.Add("stdout", "stdout                    print what the program wrote so far",
         [](const Args &args, std::string *out) {
           Program &program = TheProgram(args);
           std::lock_guard<std::mutex> lock(program.mutex);
           for (const std::string &line : program.lines)
             *out += (out->empty() ? "|" : "\n|") + line + "|";
           return true;
         });
  in.Add("process-counts", "process-counts            the program's handle and thread counts",
         ProcessCounts);
  in.Add("interrupt", "interrupt                 Ctrl+C to the program's console", Interrupt);
  in.Add("expect-file", "expect-file PATH yes|no   whether the file is there now", ExpectFile);
  in.Add("kill", "kill                      end the program", [](const Args &args, std::string *) {
    Program &program = TheProgram(args);
    if (Running(program)) TerminateProcess(program.process, 1);
    return true;
  });
}

}  // namespace vreceiver::process
