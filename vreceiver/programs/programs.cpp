#include "programs.h"

#include <map>

namespace vreceiver::process {

namespace {

// The programs by the name `run as=NAME` gave them ("" without one). They
// outlive the threads that read their output.
struct Programs {
  std::mutex mutex;
  std::map<std::string, Program *> byName;
};

Programs &ThePrograms() {
  static Programs *programs = new Programs;
  return *programs;
}

Program &Named(const std::string &name) {
  Programs &programs = ThePrograms();
  std::lock_guard<std::mutex> lock(programs.mutex);
  Program *&program = programs.byName[name];
  if (!program) program = new Program;
  return *program;
}

}  // namespace

// The program a command names with as=NAME, or the unnamed one.
Program &TheProgram(const vreceiver::script::Args &args) {
  auto it = args.options.find("as");
  return Named(it == args.options.end() ? "" : it->second);
}

bool Running(Program &program) {
  return program.process && WaitForSingleObject(program.process, 0) == WAIT_TIMEOUT;
}

void ForEachProgram(const std::function<void(Program &)> &visit) {
  Programs &programs = ThePrograms();
  std::lock_guard<std::mutex> lock(programs.mutex);
  for (auto &entry : programs.byName) visit(*entry.second);
}

}  // namespace vreceiver::process
