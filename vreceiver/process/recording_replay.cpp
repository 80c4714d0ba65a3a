#include "recording_replay.h"

#include <cstdio>
#include <fstream>

#include "replay.h"

namespace vreceiver::process {

bool CheckRecording(const std::string &path, const vreceiver::script::Interpreter &recording) {
  std::ifstream file(path, std::ios::binary);
  vreceiver::script::ReplaySummary summary;
  std::string error;
  if (!file) {
    error = path + ": cannot be read";
  } else if (vreceiver::script::Replay(recording, path).Check(file, &summary, &error)) {
    std::printf("%s%s: %llu lines, %.1f s recorded\n", summary.firstNotes.c_str(), path.c_str(),
                static_cast<unsigned long long>(summary.lines),
                static_cast<double>(summary.playMs) / 1000);
    if (summary.notes > 5)
      std::printf("(and %llu more notes)\n", static_cast<unsigned long long>(summary.notes - 5));
    return true;
  }
  std::printf("vreceiver: %s\nvreceiver: the recording was refused; nothing was played\n",
              error.c_str());
  return false;
}

bool PlayRecording(const std::string &path, const vreceiver::script::Interpreter &recording) {
  std::ifstream file(path, std::ios::binary);
  std::string error;
  const bool ok = vreceiver::script::Replay(recording, path)
                      .Play(
                          file,
                          [](uint64_t, const std::string &line) {
                            if (vreceiver::script::IsCommandLine(line))
                              std::printf("> %s\n", line.c_str());
                            std::fflush(stdout);
                            return true;
                          },
                          &error);
  if (!ok) std::printf("FAIL %s\n", error.c_str());
  return ok;
}

}  // namespace vreceiver::process
