// The replay of a recording, fuzzed: any bytes as a recording are checked
// and, when the check passes, played into a receiver served in-process
// with virtual time (sleeps of days pass at once). Nothing may crash, hang
// or grow without bound, and a refusal names the file, the line and why.
// Built with libFuzzer (bench/fuzz_replay.sh), and as an ordinary program
// that runs a corpus (corpus_main.cpp).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "paced_sleep.h"
#include "recording_commands.h"
#include "replay.h"
#include "served_receiver.h"

namespace {

struct Harness {
  vreceiver::testing::VirtualClock clock;
  vreceiver::testing::ServedReceiver served;
  vreceiver::script::Interpreter commands;
  Harness() {
    vreceiver::script::UseClock(&clock);
    vreceiver::script::SetDefaultSpeed(1000);
    vreceiver::script::AddRecordingCommands(commands, served.receiver);
  }
};

// A refusal reads "fuzz.vr:LINE: what", LINE a number from 1.
bool NamesItsLine(const std::string &error) {
  const std::string prefix = "fuzz.vr:";
  size_t at = prefix.size();
  while (at < error.size() && error[at] >= '0' && error[at] <= '9') ++at;
  return error.compare(0, prefix.size(), prefix) == 0 && at > prefix.size() &&
         error.compare(at, 2, ": ") == 0 && error.size() > at + 2 && error[prefix.size()] != '0';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static Harness *harness = new Harness;  // lives as long as the process
  const std::string text(reinterpret_cast<const char *>(data), size);
  const vreceiver::script::Replay replay(harness->commands, "fuzz.vr");
  std::istringstream checked(text);
  vreceiver::script::ReplaySummary summary;
  std::string error;
  if (!replay.Check(checked, &summary, &error)) {
    if (!NamesItsLine(error)) {
      std::fprintf(stderr, "a refusal that names no line: %s\n", error.c_str());
      std::abort();
    }
    return 0;
  }
  std::istringstream played(text);
  replay.Play(
      played, [](uint64_t, const std::string &) { return true; }, &error);
  harness->served.TakeSent();
  return 0;
}
