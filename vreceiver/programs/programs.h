// The programs under test that the receiver process started, by the name
// `run as=NAME` gave them ("" without one), and the program commands that
// live in files of their own.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "interpreter.h"

namespace vreceiver::process {

// One program: its process and its standard output. It outlives the
// thread that reads its output.
struct Program {
  std::mutex mutex;
  HANDLE process = nullptr;
  std::vector<std::string> lines;  // standard output, UTF-8, line ends removed
  std::string partial;
};

// The program a command names with as=NAME, or the unnamed one.
Program &TheProgram(const vreceiver::script::Args &args);
bool Running(Program &program);
void ForEachProgram(const std::function<void(Program &)> &visit);

// process-counts (program_counts.cpp), interrupt (program_interrupt.cpp).
bool ProcessCounts(const vreceiver::script::Args &args, std::string *out);
bool Interrupt(const vreceiver::script::Args &args, std::string *out);

}  // namespace vreceiver::process
