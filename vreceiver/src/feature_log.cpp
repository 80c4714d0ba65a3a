#include "feature_log.h"

#include <algorithm>

namespace vreceiver {

namespace {

constexpr uint32_t kReportLength = 8;
constexpr uint32_t kPreludeLength = 6;
constexpr size_t kHeaderLength = 3;
constexpr size_t kLcdPayloadLength = 59;
constexpr size_t kLcdFrameReports = 9;
constexpr size_t kMaxFill = 6;  // zero fill of a last report carrying one byte

bool StartsFrame(const uint8_t *report) { return report[1] == 0xFE && report[2] == 0xFD; }

// Drops the last report's zero fill; the fill cannot be told from zero data,
// so up to six trailing zeros go, never below `keep` bytes.
void TrimFill(std::vector<uint8_t> *bytes, size_t keep) {
  size_t trimmed = 0;
  while (bytes->size() > keep && trimmed < kMaxFill && bytes->back() == 0) {
    bytes->pop_back();
    ++trimmed;
  }
}

std::vector<std::string> LcdLines(const std::vector<uint8_t> &payload) {
  std::vector<std::string> lines;
  if (payload.size() != kLcdPayloadLength) return lines;
  size_t offset = 0;
  for (size_t width : kLcdLineWidths) {
    lines.emplace_back(payload.begin() + offset, payload.begin() + offset + width);
    offset += width;
  }
  return lines;
}

}  // namespace

FeatureKind FeatureLog::Add(const uint8_t *report, uint32_t length) {
  if (length == kPreludeLength) {
    entries_.push_back(Entry{true, {}});
    open_ = true;
    freshCommand_ = true;
    return FeatureKind::kPrelude;
  }
  if (length != kReportLength) return FeatureKind::kStray;
  const bool takenByCommand = freshCommand_;
  freshCommand_ = false;
  if (!takenByCommand && StartsFrame(report)) {
    entries_.push_back(Entry{false, {}});
    open_ = true;
  }
  // Outside a frame or command, a report that starts no frame is a command
  // of its own: the HID class driver refuses the 6-byte prelude, so on a
  // real receiver the command arrives without one.
  if (!open_) {
    entries_.push_back(Entry{true, std::vector<uint8_t>(report + 1, report + kReportLength)});
    return FeatureKind::kCommand;
  }
  Entry &entry = entries_.back();
  entry.bytes.insert(entry.bytes.end(), report + 1, report + kReportLength);
  if (entry.isCommand) return FeatureKind::kCommand;
  return IsGreeting(entry) ? FeatureKind::kGreeting : FeatureKind::kFrame;
}

void FeatureLog::Clear() {
  entries_.clear();
  open_ = false;
  freshCommand_ = false;
}

// A greeting is a one-report frame with four spaces after the day byte.
bool FeatureLog::IsGreeting(const Entry &entry) const {
  const std::vector<uint8_t> &b = entry.bytes;
  return !entry.isCommand && b.size() == kReportLength - 1 &&
         std::all_of(b.begin() + kHeaderLength, b.end(), [](uint8_t c) { return c == 0x20; });
}

std::vector<uint8_t> FeatureLog::GreetingDays() const {
  std::vector<uint8_t> days;
  for (const Entry &entry : entries_) {
    if (IsGreeting(entry)) days.push_back(entry.bytes[2]);
  }
  return days;
}

std::vector<DisplayText> FeatureLog::DisplayTexts() const {
  std::vector<DisplayText> texts;
  for (const Entry &entry : entries_) {
    if (entry.isCommand || IsGreeting(entry)) continue;
    DisplayText text;
    text.day = entry.bytes[2];
    text.payload.assign(entry.bytes.begin() + kHeaderLength, entry.bytes.end());
    const bool lcdFrame = entry.bytes.size() == kLcdFrameReports * (kReportLength - 1);
    TrimFill(&text.payload, lcdFrame ? kLcdPayloadLength : 0);
    text.lines = LcdLines(text.payload);
    texts.push_back(std::move(text));
  }
  return texts;
}

std::vector<Command> FeatureLog::Commands() const {
  std::vector<Command> commands;
  for (const Entry &entry : entries_) {
    if (!entry.isCommand) continue;
    Command command{entry.bytes};
    TrimFill(&command.bytes, 0);
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace vreceiver
