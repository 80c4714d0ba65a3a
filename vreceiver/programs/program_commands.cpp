#include "program_commands.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "program_words.h"
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

// Waits for the program's end; with a code, another exit code fails.
bool WaitExit(const Args &args, std::optional<long> wanted, std::string *out) {
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
  // An exit code is 32 bits; the script writes one above 2^31 as negative,
  // and so does this line (with the hex a crash code is known by).
  const int32_t signedCode = static_cast<int32_t>(code);
  *out = "exit code " + std::to_string(signedCode);
  if (signedCode < 0) {
    char hex[16];
    std::snprintf(hex, sizeof hex, " (0x%08lX)", static_cast<unsigned long>(code));
    *out += hex;
  }
  if (!wanted || signedCode == *wanted) return true;
  *out += ", expected " + std::to_string(*wanted);
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

// Waits for `count` such lines.
bool ExpectLine(const Args &args, const std::string &want, bool part, long count,
                std::string *out) {
  Program &program = TheProgram(args);
  auto enough = [&] { return CountLines(program, want, part) >= static_cast<size_t>(count); };
  if (vreceiver::script::WaitUntil(enough, args.Timeout())) return true;
  std::lock_guard<std::mutex> lock(program.mutex);
  *out = "no such line; the program wrote:";
  for (const std::string &line : program.lines) *out += "\n  |" + line + "|";
  return false;
}

bool StdoutLines(const Args &args, long want, std::string *out) {
  Program &program = TheProgram(args);
  auto count = [&] {
    std::lock_guard<std::mutex> lock(program.mutex);
    return static_cast<long>(program.lines.size());
  };
  if (vreceiver::script::WaitUntil([&] { return count() == want; }, args.Timeout())) return true;
  *out = "the program wrote " + std::to_string(count()) + " lines";
  return false;
}

// Whether a program left a file behind or not.
bool ExpectFile(const Args &, const std::string &path, bool want, std::string *out) {
  const bool there = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (there == want) return true;
  *out = path + (there ? " is there" : " is not there");
  return false;
}

bool PrintStdout(const Args &args, std::string *out) {
  Program &program = TheProgram(args);
  std::lock_guard<std::mutex> lock(program.mutex);
  for (const std::string &line : program.lines) *out += (out->empty() ? "|" : "\n|") + line + "|";
  return true;
}

bool Kill(const Args &args, std::string *) {
  Program &program = TheProgram(args);
  if (Running(program)) TerminateProcess(program.process, 1);
  return true;
}

}  // namespace

void StopProgram() {
  ForEachProgram([](Program &program) {
    if (Running(program)) TerminateProcess(program.process, 1);
  });
}

void AddProgramCommands(vreceiver::script::Interpreter &in) {
  vreceiver::script::ProgramActions actions;
  actions.run = Run;
  actions.waitExit = WaitExit;
  actions.expectLine = ExpectLine;
  actions.expectLines = StdoutLines;
  actions.expectFile = ExpectFile;
  actions.printStdout = PrintStdout;
  actions.processCounts = ProcessCounts;
  actions.interrupt = Interrupt;
  actions.kill = Kill;
  vreceiver::script::AddProgramCommands(in, actions);
}

}  // namespace vreceiver::process
