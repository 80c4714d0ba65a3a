#include "timing_log.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

namespace vreceiver::process {
namespace {

struct TimingLog {
  std::mutex mutex;
  std::vector<int64_t> sends;
  std::vector<int64_t> lines;
  std::vector<std::pair<std::string, int64_t>> marks;
};

TimingLog &TheLog() {
  static TimingLog *log = new TimingLog;  // outlives the sender and reader threads
  return *log;
}

int64_t NowMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Note(std::vector<int64_t> TimingLog::*which) {
  const int64_t now = NowMicroseconds();
  TimingLog &log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  (log.*which).push_back(now);
}

}  // namespace

void NoteReportHanded() { Note(&TimingLog::sends); }
void NoteLineArrived() { Note(&TimingLog::lines); }

void NoteMark(const std::string &name) {
  const int64_t now = NowMicroseconds();
  TimingLog &log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.marks.emplace_back(name, now);
}

bool WriteTimings(const std::string &path) {
  TimingLog &log = TheLog();
  std::lock_guard<std::mutex> lock(log.mutex);
  FILE *file = std::fopen(path.c_str(), "w");
  if (!file) return false;
  for (int64_t t : log.sends) std::fprintf(file, "send %lld\n", static_cast<long long>(t));
  for (int64_t t : log.lines) std::fprintf(file, "line %lld\n", static_cast<long long>(t));
  for (const auto &mark : log.marks)
    std::fprintf(file, "mark %s %lld\n", mark.first.c_str(), static_cast<long long>(mark.second));
  log.sends.clear();
  log.lines.clear();
  log.marks.clear();
  return std::fclose(file) == 0;
}

}  // namespace vreceiver::process
