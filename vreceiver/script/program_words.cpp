#include "program_words.h"

#include <cstdint>

#include "arguments.h"

namespace vreceiver::script {

namespace {

// Lines a program wrote that a script waits for: plenty, and bounded.
constexpr long kMostLines = 1000000;

// A command of no words but as=NAME (and timeout=MS when it waits).
Handler Plain(Handler action, bool waits = false) {
  return [action, waits](const Args &a, std::string *out) {
    const bool shaped =
        waits ? Shape(a, 0, 0, {"as", "timeout"}, out) : Shape(a, 0, 0, {"as"}, out);
    return shaped && action(a, out);
  };
}

bool Run(const ProgramActions &act, const Args &a, std::string *out) {
  if (a.words.empty()) {
    *out = "expected a program";
    return false;
  }
  return Shape(a, 1, SIZE_MAX, {"as"}, out) && act.run(a, out);
}

bool WaitExit(const ProgramActions &act, const Args &a, std::string *out) {
  long code = 0;
  if (!Shape(a, 0, 0, {"as", "code", "timeout"}, out) ||
      !OptionNumber(a, "code", INT32_MIN, INT32_MAX, &code, out)) {
    return false;
  }
  const bool given = a.options.count("code") > 0;
  return act.waitExit(a, given ? std::optional<long>(code) : std::nullopt, out);
}

bool ExpectLine(const ProgramActions &act, bool part, const Args &a, std::string *out) {
  long count = 1;
  return Shape(a, 1, 1, {"as", "count", "timeout"}, out) &&
         OptionNumber(a, "count", 1, kMostLines, &count, out) &&
         act.expectLine(a, a.words[0], part, count, out);
}

bool ExpectLines(const ProgramActions &act, const Args &a, std::string *out) {
  long lines = 0;
  return Shape(a, 1, 1, {"as", "timeout"}, out) && Number(a, 0, 0, kMostLines, &lines, out) &&
         act.expectLines(a, lines, out);
}

bool ExpectFile(const ProgramActions &act, const Args &a, std::string *out) {
  size_t which = 0;  // yes, no
  return Shape(a, 2, 2, {}, out) && Choice(a, 1, {"yes", "no"}, &which, out) &&
         act.expectFile(a, a.words[0], which == 0, out);
}

}  // namespace

void AddProgramCommands(Interpreter &in, const ProgramActions &act) {
  using std::placeholders::_1;
  using std::placeholders::_2;
  in.Add("run", "[as=NAME] PROGRAM [ARGS..]", "start a program (its standard output is kept)",
         std::bind(Run, act, _1, _2));
  in.Add("wait-exit", "[code=N]", "wait until the program has ended (with exit code N)",
         std::bind(WaitExit, act, _1, _2));
  in.Add("expect-stdout", "\"LINE\" [count=N]", "wait until the program wrote this line (N times)",
         std::bind(ExpectLine, act, false, _1, _2));
  in.Add("expect-stdout-with", "\"TEXT\" [count=N]",
         "wait until the program wrote a line holding TEXT (N such lines)",
         std::bind(ExpectLine, act, true, _1, _2));
  in.Add("expect-stdout-lines", "N", "wait until it wrote exactly N lines",
         std::bind(ExpectLines, act, _1, _2));
  in.Add("stdout", "", "print what the program wrote so far", Plain(act.printStdout));
  in.Add("process-counts", "", "the program's handle and thread counts", Plain(act.processCounts));
  in.Add("interrupt", "", "Ctrl+C to the program's console", Plain(act.interrupt, true));
  in.Add("expect-file", "PATH yes|no", "whether the file is there now",
         std::bind(ExpectFile, act, _1, _2));
  in.Add("kill", "", "end the program", Plain(act.kill));
}

}  // namespace vreceiver::script
