// A recording as it is made: each thing the recorder sees (an input report,
// the receiver pulled out or plugged back in) becomes whole lines of the
// virtual receiver's command language, with the time since the previous
// one as a sleep, so that vreceiver.exe --replay hands the same reports
// over in the same order with the same gaps.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pendant/pendant_commands.h"

namespace recorder {

struct Header {
  std::string program;     // "pendant-record 1.0.0.1"
  std::string recordedAt;  // local date and time, "2025-06-01 14:03:22"
  uint16_t productId = 0;
  std::string infoLine;  // "info id=.. channel=.. rssi=..", or empty
  std::string infoNote;  // why there is no info line, or empty
};

class Recording {
 public:
  // Takes the lines of one event (no line ends) and writes them whole, all
  // or none; false when that failed.
  using Writer = std::function<bool(const std::vector<std::string> &lines)>;

  explicit Recording(Writer writer) : writer_(std::move(writer)) {}

  // The header; the recording's time counts from `nowUs` (any steady
  // clock in microseconds, the same for every call).
  bool Begin(const Header &header, int64_t nowUs);
  // An input report read at `timeUs`; *command is the line it became.
  bool AddReport(int64_t timeUs, const pendant::Report &report, std::string *command);
  // The receiver was pulled out: every report before it reached the host.
  bool AddUnplug(int64_t timeUs);
  // It is back; a new product ID is set before it appears.
  bool AddPlug(int64_t timeUs, uint16_t productId);
  // The last lines: the reports are all handed over before a replay ends.
  bool End(int64_t timeUs, const std::string &why);

  uint64_t Reports() const { return reports_; }
  // Seconds since Begin at `timeUs`.
  double SecondsAt(int64_t timeUs) const;

 private:
  // The sleep line for the gap to `timeUs`, if there is one.
  void AddGap(int64_t timeUs, std::vector<std::string> *lines);

  Writer writer_;
  int64_t startUs_ = 0;
  int64_t writtenMs_ = 0;  // milliseconds since the start the sleeps add up to
  uint16_t productId_ = 0;
  uint64_t reports_ = 0;
  // What a replaying receiver's pendant holds; unknown until the first
  // report, which therefore goes raw and sets it whatever it held before.
  std::optional<pendant::PendantState> pendant_;
};

// How the console shows a report: "report 12 at 3.042 s: 04 00 .. 00  wheel 3".
std::string ReportNote(uint64_t number, double seconds, const pendant::Report &report,
                       const std::string &command);

}  // namespace recorder
