// uiprobe.exe: looks at and drives Tarvex's main window and the virtual
// pendant's window with the ui- commands, from a process of its own (the
// tests start and close Tarvex with it). Each argument is one command (see
// help); with no arguments, commands are read from standard input. Exit
// code 0 when every command succeeded.
#include <cstdio>
#include <iostream>
#include <string>

#include "interpreter.h"
#include "ui_commands.h"

namespace {

bool RunOne(vreceiver::script::Interpreter &interpreter, const std::string &line) {
  std::string out;
  bool ok = interpreter.RunLine(line, &out);
  if (!out.empty()) std::printf("%s\n", out.c_str());
  if (!ok) std::printf("FAIL %s\n", line.c_str());
  std::fflush(stdout);
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  vreceiver::script::Interpreter interpreter;
  uiprobe::AddUiCommands(interpreter);
  bool ok = true;
  if (argc > 1) {
    for (int i = 1; i < argc && ok; ++i) ok = RunOne(interpreter, argv[i]);
  } else {
    std::string line;
    while (std::getline(std::cin, line)) ok = RunOne(interpreter, line) && ok;
  }
  return ok ? 0 : 1;
}
