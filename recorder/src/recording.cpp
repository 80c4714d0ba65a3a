#include "recording.h"

#include <cstdio>

namespace recorder {

namespace {

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

bool Recording::Begin(const Header &header, int64_t nowUs) {
  startUs_ = nowUs;
  writtenMs_ = 0;
  productId_ = header.productId;
  std::vector<std::string> lines = {
      "# Recorded by " + header.program + " on " + header.recordedAt + " (local time).",
      "# Replay: vreceiver.exe --replay THIS-FILE [--speed X]",
      "product " + Hex4(header.productId)};
  if (!header.infoLine.empty()) lines.push_back(header.infoLine);
  if (!header.infoNote.empty()) lines.push_back("# " + header.infoNote);
  return writer_(lines);
}

double Recording::SecondsAt(int64_t timeUs) const {
  return static_cast<double>(timeUs - startUs_) / 1e6;
}

// The sleeps add up to the rounded time since the start, so that rounding
// each gap does not drift over a long recording.
void Recording::AddGap(int64_t timeUs, std::vector<std::string> *lines) {
  const int64_t elapsedMs = (timeUs - startUs_ + 500) / 1000;
  if (elapsedMs <= writtenMs_) return;
  lines->push_back("sleep " + std::to_string(elapsedMs - writtenMs_));
  writtenMs_ = elapsedMs;
}

bool Recording::AddReport(int64_t timeUs, const pendant::Report &report, std::string *command) {
  pendant::PendantCommand decoded;
  decoded.report = report;  // raw unless the pendant's state is known
  if (pendant_) decoded = pendant::DecodeReport(*pendant_, report);
  const pendant::PendantState before = pendant_.value_or(pendant::PendantState{});
  if (pendant_ || report[0] == pendant::kInputReportId) {
    pendant_ = pendant::StateAfter(before, report);
  }
  *command = pendant::CommandLine(decoded);
  std::vector<std::string> lines;
  AddGap(timeUs, &lines);
  lines.push_back(*command);
  ++reports_;
  return writer_(lines);
}

bool Recording::AddUnplug(int64_t timeUs) {
  std::vector<std::string> lines;
  AddGap(timeUs, &lines);
  lines.push_back("wait-sent");
  lines.push_back("unplug");
  return writer_(lines);
}

bool Recording::AddPlug(int64_t timeUs, uint16_t productId) {
  std::vector<std::string> lines;
  AddGap(timeUs, &lines);
  if (productId != productId_) lines.push_back("product " + Hex4(productId));
  productId_ = productId;
  lines.push_back("plug");
  return writer_(lines);
}

bool Recording::End(int64_t timeUs, const std::string &why) {
  char summary[160];
  std::snprintf(summary, sizeof summary, "# %llu reports in %.3f s; %s.",
                static_cast<unsigned long long>(reports_), SecondsAt(timeUs), why.c_str());
  return writer_({"wait-sent", summary});
}

std::string ReportNote(uint64_t number, double seconds, const pendant::Report &report,
                       const std::string &command) {
  char text[96];
  int length =
      std::snprintf(text, sizeof text,
                    "report %llu at %.3f s:", static_cast<unsigned long long>(number), seconds);
  std::string note(text, static_cast<size_t>(length));
  for (uint8_t byte : report) {
    std::snprintf(text, sizeof text, " %02X", byte);
    note += text;
  }
  return note + "  " + command;
}

}  // namespace recorder
