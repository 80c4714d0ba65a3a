// How fast a recording is checked before its replay: an hour of reports at
// 1,000 a second, written as the recorder writes them (a sleep before
// each, every tenth report raw), made in memory and checked; prints the
// bytes, the time and the rate, and what a day's recording takes so.
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "recording_commands.h"
#include "replay.h"

int main() {
  constexpr int kReports = 3600 * 1000;
  std::string text = "# Recorded by pendant-record\r\nproduct 0xEB93\r\n";
  for (int i = 0; i < kReports; ++i) {
    text += "sleep 1\r\n";
    text += i % 10 == 0 ? "report 04 00 03 00 0D 11 7F 00\r\n" : "wheel -3\r\n";
  }
  vreceiver::Receiver receiver;
  vreceiver::script::Interpreter recording;
  vreceiver::script::AddRecordingCommands(recording, receiver);
  std::istringstream in(text);
  vreceiver::script::ReplaySummary summary;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  const bool ok = vreceiver::script::Replay(recording, "hour.vr").Check(in, &summary, &error);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mb = static_cast<double>(text.size()) / 1e6;
  std::printf("%s: %.1f MB, %llu lines checked in %.2f s (%.0f MB/s); a day so: %.0f MB, %.0f s\n",
              ok ? "ok" : error.c_str(), mb, static_cast<unsigned long long>(summary.lines),
              seconds, mb / seconds, mb * 24, seconds * 24);
  return ok ? 0 : 1;
}
