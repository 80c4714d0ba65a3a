#include "pacing_commands.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "interpreter.h"
#include "pacing_words.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

using vreceiver::script::Args;

// Prints "snapshot NAME" for the demo script, which saves NAME.png into
// the folder named by TARVEX_SNAPSHOT_DIR; waits until the file is there.
bool Snapshot(const Args &args, const std::string &name, std::string *out) {
  char folder[MAX_PATH] = "";
  if (!GetEnvironmentVariableA("TARVEX_SNAPSHOT_DIR", folder, sizeof folder)) return true;
  std::printf("snapshot %s\n", name.c_str());
  std::fflush(stdout);
  std::string file = std::string(folder) + "\\" + name + ".png";
  bool ok = vreceiver::script::WaitUntil(
      [&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; },
      args.Timeout(20000));
  if (!ok) *out = "no snapshot saved as " + file;
  return ok;
}

bool Timings(const Args &, const std::string &file, std::string *out) {
  if (WriteTimings(file)) return true;
  *out = "cannot write " + file;
  return false;
}

}  // namespace

void AddPacingCommands(vreceiver::script::Interpreter &in) {
  vreceiver::script::PacingActions actions;
  actions.timings = Timings;
  actions.mark = [](const Args &, const std::string &name, std::string *) {
    NoteMark(name);
    return true;
  };
  actions.snapshot = Snapshot;
  vreceiver::script::AddPacingCommands(in, actions);
}

}  // namespace vreceiver::process
