#include "replay.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "recording_commands.h"

namespace vreceiver::script {

namespace {

// Reads lines of at most `longest` bytes (CR LF or LF ends; a CR before
// the LF is dropped) and counts the bytes read; never holds more than a
// line and a buffer.
class LineReader {
 public:
  LineReader(std::istream &in, const ReplayLimits &limits) : in_(in), limits_(limits) {}
  // False at the end, or with `error` set when a bound is passed.
  bool Next(std::string *line, std::string *error) {
    line->clear();
    bool any = false, ended = false;
    while (!ended && (at_ < got_ || Fill())) {
      any = true;
      const char *start = buffer_ + at_;
      const auto *newline = static_cast<const char *>(std::memchr(start, '\n', got_ - at_));
      ended = newline != nullptr;
      const size_t length = ended ? static_cast<size_t>(newline - start) : got_ - at_;
      at_ += length + (ended ? 1 : 0);
      used_ += length + (ended ? 1 : 0);
      if (line->size() + length > limits_.longestLine) {
        *error = "a line longer than " + std::to_string(limits_.longestLine) + " bytes";
        return false;
      }
      line->append(start, length);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    if (any) ++number_;
    return any;
  }
  uint64_t Number() const { return number_; }
  bool TooLarge() const { return used_ > limits_.largestFile; }

 private:
  bool Fill() {
    in_.read(buffer_, sizeof buffer_);
    got_ = static_cast<size_t>(in_.gcount());
    at_ = 0;
    return got_ > 0;
  }

  std::istream &in_;
  const ReplayLimits &limits_;
  char buffer_[65536];
  size_t got_ = 0, at_ = 0;
  uint64_t used_ = 0, number_ = 0;  // bytes and lines read so far
};

}  // namespace

uint64_t PlayedMs(const std::string &line) {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
  std::string error;
  long ms = 0;
  if (!Tokenize(line, &words, &options, &error) || words.size() != 2 || words[0] != "sleep" ||
      !ParseNumber(words[1], &ms) || ms < 0) {
    return 0;
  }
  return std::min<uint64_t>(static_cast<uint64_t>(ms), kLongestGapMs);
}

bool IsCommandLine(const std::string &line) {
  const size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && line[first] != '#';
}

bool Replay::Check(std::istream &in, ReplaySummary *summary, std::string *error) const {
  auto reader = std::make_unique<LineReader>(in, limits_);
  std::string line, out;
  *summary = ReplaySummary{};
  while (true) {
    out.clear();
    if (!reader->Next(&line, &out)) {
      if (out.empty()) break;
      *error = name_ + ":" + std::to_string(reader->Number() + 1) + ": " + out;
      return false;
    }
    const std::string at = name_ + ":" + std::to_string(reader->Number()) + ": ";
    if (reader->TooLarge()) {
      *error = at + "the file is larger than " + std::to_string(limits_.largestFile) + " bytes";
      return false;
    }
    Action action;
    if (!recording_.CheckLine(line, &action, &out)) {
      *error = at + out;
      return false;
    }
    summary->playMs += PlayedMs(line);
    if (summary->playMs > limits_.longestPlayMs) {
      *error = at + "the recording plays longer than " +
               std::to_string(limits_.longestPlayMs / 3600000) + " hours";
      return false;
    }
    if (!out.empty() && ++summary->notes <= 5) summary->firstNotes += at + out + "\n";
  }
  summary->lines = reader->Number();
  return true;
}

bool Replay::Play(std::istream &in,
                  const std::function<bool(uint64_t number, const std::string &line)> &before,
                  std::string *error) const {
  auto reader = std::make_unique<LineReader>(in, limits_);
  std::string line, out;
  uint64_t playMs = 0;
  while (reader->Next(&line, &out)) {
    const std::string at = name_ + ":" + std::to_string(reader->Number()) + ": ";
    Action action;
    out.clear();
    playMs += PlayedMs(line);
    if (reader->TooLarge() || playMs > limits_.longestPlayMs ||
        !recording_.CheckLine(line, &action, &out)) {
      *error = at + (out.empty() ? "the file changed since it was checked" : out);
      return false;
    }
    if (!before(reader->Number(), line)) return false;
    out.clear();
    if (action && !action(&out)) {
      *error = at + out;
      return false;
    }
  }
  if (out.empty()) return true;
  *error = name_ + ":" + std::to_string(reader->Number() + 1) + ": " + out;
  return false;
}

}  // namespace vreceiver::script
