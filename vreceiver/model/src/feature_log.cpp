#include "feature_log.h"

#include <algorithm>

namespace vreceiver {

namespace {

constexpr uint32_t kPreludeLength = 6;
constexpr size_t kHeaderLength = 3;
constexpr size_t kLcdPayloadLength = 59;
constexpr size_t kLcdFrameReports = 9;
constexpr size_t kMaxFill = 6;  // zero fill of a last report carrying one byte

bool IsPrelude(const std::vector<uint8_t> &report) { return report.size() == kPreludeLength; }

bool StartsFrame(const std::vector<uint8_t> &report) {
  return report.size() == kReportLength && report[1] == 0xFE && report[2] == 0xFD;
}

bool LooksLikeGreeting(const std::vector<uint8_t> &report) {
  return StartsFrame(report) &&
         std::all_of(report.begin() + 4, report.end(), [](uint8_t c) { return c == 0x20; });
}

void AppendData(std::vector<uint8_t> *bytes, const std::vector<uint8_t> &report) {
  bytes->insert(bytes->end(), report.begin() + 1, report.end());
}

// Drops the last report's zero fill; the fill cannot be told from zero data,
// so up to six trailing zeros go, never below `keep` bytes.
void TrimFill(std::vector<uint8_t> *bytes, size_t keep) {
  size_t trimmed = 0;
  while (bytes->size() > keep && trimmed < kMaxFill && bytes->back() == 0) {
    bytes->pop_back();
    ++trimmed;
  }
}

}  // namespace

std::vector<std::string> LcdLines(const std::vector<uint8_t> &payload) {
  std::vector<std::string> lines;
  size_t offset = 0;
  for (size_t width : kLcdLineWidths) {
    const size_t from = std::min(offset, payload.size());
    const size_t to = std::min(offset + width, payload.size());
    lines.emplace_back(payload.begin() + static_cast<std::ptrdiff_t>(from),
                       payload.begin() + static_cast<std::ptrdiff_t>(to));
    offset += width;
  }
  return lines;
}

FeatureKind FeatureLog::Add(const uint8_t *report, uint32_t length) {
  if (length != kReportLength && length != kPreludeLength) return FeatureKind::kStray;
  reports_.emplace_back(report, report + length);
  return KindOfLast();
}

// What the newest report is taken for so far: the entry it belongs to is
// opened by the nearest prelude or frame start before it. A later report can
// still change the reading (a greeting that a whole display frame follows).
FeatureKind FeatureLog::KindOfLast() const {
  const size_t last = reports_.size() - 1;
  if (IsPrelude(reports_[last])) return FeatureKind::kPrelude;
  for (size_t i = last + 1; i-- > 0;) {
    if (IsPrelude(reports_[i])) return FeatureKind::kCommand;
    if (!StartsFrame(reports_[i])) continue;
    const size_t count = FrameReports(i);
    if (i + count <= last) return FeatureKind::kCommand;  // after the frame's end
    return count == 1 && LooksLikeGreeting(reports_[i]) ? FeatureKind::kGreeting
                                                        : FeatureKind::kFrame;
  }
  return FeatureKind::kCommand;
}

void FeatureLog::Clear() { reports_.clear(); }

size_t FeatureLog::FrameReports(size_t start) const {
  size_t count = 1;
  while (count < kLcdFrameReports && start + count < reports_.size()) {
    const std::vector<uint8_t> &next = reports_[start + count];
    if (IsPrelude(next) || StartsFrame(next)) break;
    ++count;
  }
  if (count < kLcdFrameReports && LooksLikeGreeting(reports_[start])) return 1;
  return count;
}

std::vector<FeatureLog::Entry> FeatureLog::Entries() const {
  std::vector<Entry> entries;
  size_t i = 0;
  while (i < reports_.size()) {
    const std::vector<uint8_t> &report = reports_[i];
    Entry entry;
    if (IsPrelude(report)) {
      entry.isCommand = true;
      for (++i; i < reports_.size() && !IsPrelude(reports_[i]) && !StartsFrame(reports_[i]); ++i) {
        AppendData(&entry.bytes, reports_[i]);
      }
    } else if (StartsFrame(report)) {
      const size_t count = FrameReports(i);
      for (size_t end = i + count; i < end; ++i) AppendData(&entry.bytes, reports_[i]);
    } else {
      entry.isCommand = true;
      AppendData(&entry.bytes, report);
      ++i;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

// A greeting is a one-report frame with four spaces after the day byte.
bool FeatureLog::IsGreeting(const Entry &entry) const {
  const std::vector<uint8_t> &b = entry.bytes;
  return !entry.isCommand && b.size() == kReportLength - 1 &&
         std::all_of(b.begin() + kHeaderLength, b.end(), [](uint8_t c) { return c == 0x20; });
}

std::vector<uint8_t> FeatureLog::GreetingDays() const {
  std::vector<uint8_t> days;
  for (const Entry &entry : Entries()) {
    if (IsGreeting(entry)) days.push_back(entry.bytes[2]);
  }
  return days;
}

std::vector<DisplayText> FeatureLog::DisplayTexts() const {
  std::vector<DisplayText> texts;
  for (const Entry &entry : Entries()) {
    if (entry.isCommand || IsGreeting(entry)) continue;
    DisplayText text;
    text.day = entry.bytes[2];
    text.payload.assign(entry.bytes.begin() + kHeaderLength, entry.bytes.end());
    const bool lcdFrame = entry.bytes.size() == kLcdFrameReports * (kReportLength - 1);
    TrimFill(&text.payload, lcdFrame ? kLcdPayloadLength : 0);
    if (text.payload.size() == kLcdPayloadLength) text.lines = LcdLines(text.payload);
    texts.push_back(std::move(text));
  }
  return texts;
}

std::vector<Command> FeatureLog::Commands() const {
  std::vector<Command> commands;
  for (const Entry &entry : Entries()) {
    if (!entry.isCommand) continue;
    Command command{entry.bytes};
    TrimFill(&command.bytes, 0);
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace vreceiver
