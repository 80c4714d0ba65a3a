#include "pacing_commands.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "interpreter.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

using vreceiver::script::Args;

// Prints "snapshot NAME" for the demo script, which saves NAME.png into
// the folder named by TARVEX_SNAPSHOT_DIR; waits until the file is there.
bool Snapshot(const Args &args, std::string *out) {
  if (args.words.size() != 1) {
    *out = "expected a name";
    return false;
  }
  char folder[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("TARVEX_SNAPSHOT_DIR", folder, sizeof folder)) return true;
  std::printf("snapshot %s\n", args.words[0].c_str());
  std::fflush(stdout);
  std::string file = std::string(folder) + "\\" + args.words[0] + ".png";
  bool ok = vreceiver::script::WaitUntil(
      [&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; },
      args.Timeout(20000));
  if (!ok) *out = "no snapshot saved as " + file;
  return ok;
}

bool Timings(const Args &args, std::string *out) {
  if (args.words.size() != 1) {
    *out = "expected a file";
    return false;
  }
  if (WriteTimings(args.words[0])) return true;
  *out = "cannot write " + args.words[0];
  return false;
}

}  // namespace

void AddPacingCommands(vreceiver::script::Interpreter &in) {
  in.Add("timings", "timings FILE              write when reports went out and lines came in",
         Timings);
  in.Add("mark", "mark NAME                 note this moment for timings",
         [](const Args &args, std::string *out) {
           if (args.words.size() != 1) {
             *out = "expected a name";
             return false;
           }
           NoteMark(args.words[0]);
           return true;
         });
  in.Add("snapshot", "snapshot NAME             ask the demo for a screenshot and wait for it",
         Snapshot);
  in.Add("echo", "echo TEXT..               print the words",
         [](const Args &args, std::string *out) {
           for (const std::string &word : args.words) *out += (out->empty() ? "" : " ") + word;
           return true;
         });
}

}  // namespace vreceiver::process
