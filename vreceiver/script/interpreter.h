// The tools' text command language: one command per line, words separated
// by spaces, "quoted strings" with \" and \\ escapes, name=value options
// (timeout=MS on every waiting command), # starts a comment.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vreceiver::script {

// Generous: a loaded machine runs Wine programs slowly, and a wait ends as
// soon as its condition holds.
constexpr uint32_t kDefaultTimeoutMs = 15000;

struct Args {
  std::vector<std::string> words;  // after the command name
  std::map<std::string, std::string> options;
  uint32_t Timeout(uint32_t fallback = kDefaultTimeoutMs) const;
};

// A command fills `out` with what it has to say; false means it failed.
using Handler = std::function<bool(const Args &args, std::string *out)>;
// What a checked command does once its words were found right.
using Action = std::function<bool(std::string *out)>;
// A checked command: checks its words and, when they are right, sets
// `action` to what running it does; nothing acts before the action runs.
using Parser = std::function<bool(const Args &args, Action *action, std::string *out)>;

bool Tokenize(const std::string &line, std::vector<std::string> *words,
              std::map<std::string, std::string> *options, std::string *error);
// Decimal or 0x hex, optionally negative, within 32 bits signed (the same
// on every platform); no sign, space or octal beyond that.
bool ParseNumber(const std::string &text, long *value);
// A word as a message shows it: at most 40 characters, anything but
// printable ASCII as \xHH.
std::string Printable(const std::string &word);
// Polls pred every 10 ms until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()> &pred, uint32_t timeoutMs);

class Interpreter {
 public:
  // `usage` is the words after the name ("ID \"TEXT\""), `what` what the
  // command does; help lays them out.
  void Add(const std::string &name, const std::string &usage, const std::string &what,
           Handler handler);
  void AddChecked(const std::string &name, const std::string &usage, const std::string &what,
                  Parser parser);
  // Checks one line without running it: a checked command with the right
  // words (its action is set), or a blank or comment line (action empty).
  // Any other command is refused.
  bool CheckLine(const std::string &line, Action *action, std::string *out) const;
  // Runs one line (blank and comment lines succeed). Lines from a script
  // and from the command pipe may run at once: every command is safe so.
  bool RunLine(const std::string &line, std::string *out);
  // Runs a file line by line, echoing each command; stops at the first
  // failure and names its line.
  bool RunFile(const std::string &path);
  bool QuitRequested() const { return quit_; }
  void RequestQuit() { quit_ = true; }
  std::string Help() const;

 private:
  struct Command {
    std::string usage;
    std::string what;
    Handler handler;  // one of the two
    Parser parser;
  };
  std::map<std::string, Command> commands_;
  std::atomic<bool> quit_{false};
};

}  // namespace vreceiver::script
