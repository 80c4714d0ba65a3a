// The commands that run the programs under test beside the receiver: their
// words are checked here (portable, so the language's rules for them are
// tested natively); what each does once its words are right is the
// receiver process's (Win32), handed in as actions. Every command takes
// as=NAME for a program started so; the waiting ones take timeout=MS.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "interpreter.h"

namespace vreceiver::script {

struct ProgramActions {
  // run PROGRAM [ARGS..]: the words are the command line.
  Handler run;
  // wait-exit [code=N]: with a code, another exit code fails.
  std::function<bool(const Args &, std::optional<long> code, std::string *)> waitExit;
  // expect-stdout(-with) "LINE" [count=N]: N lines that are (or hold) it.
  std::function<bool(const Args &, const std::string &line, bool part, long count, std::string *)>
      expectLine;
  // expect-stdout-lines N
  std::function<bool(const Args &, long lines, std::string *)> expectLines;
  // expect-file PATH yes|no
  std::function<bool(const Args &, const std::string &path, bool there, std::string *)> expectFile;
  // Commands of no words.
  Handler printStdout, processCounts, interrupt, kill;
};

void AddProgramCommands(Interpreter &interpreter, const ProgramActions &actions);

}  // namespace vreceiver::script
