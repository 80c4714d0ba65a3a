// The pendant's commands of the command language as data, and the way back
// from an input report to the command that makes it. A recording of a real
// receiver is written with these, so that the virtual receiver, replaying
// it, hands over the very same reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "pendant/pendant_report.h"

namespace pendant {

// One pendant command as the script line of the same name runs it: each
// sends one input report with the pendant's new state.
struct PendantCommand {
  enum class Kind { kKeys, kWheel, kAxis, kStep, kWheelEnable, kEstop, kReport };
  Kind kind = Kind::kReport;
  int32_t value = 0;  // first key, wheel delta, selector code, or flag (1 on)
  uint8_t key2 = 0;   // second key (kKeys)
  Report report{};    // the raw report (kReport)
};

// The input report the pendant sends holding `pendant`, with this wheel
// delta: the pendant's one encoder.
Report MakeReport(const PendantState &pendant, int8_t wheelDelta);

// The script line: "keys 3", "keys 0 5", "release", "wheel -12", "axis 18",
// "step 14", "wheel-enable on", "estop off", "report 04 00 0D ..".
std::string CommandLine(const PendantCommand &command);
// The keys line for these key codes: "release" when none is down.
std::string KeysLine(uint8_t key1, uint8_t key2);

// The command that, with the pendant holding `before`, sends exactly
// `report`; a raw report when no pendant command does (two things changed
// at once, or bytes the pendant never sets).
PendantCommand DecodeReport(const PendantState &before, const Report &report);
// What the pendant holds once it sent `report`: the keys, step, flags and
// axis the report carries, the wheel moved by its delta. A report with
// another ID than the input report's leaves the pendant as it was.
PendantState StateAfter(const PendantState &before, const Report &report);

// The receiver's information report as the line that sets it, e.g.
// "info id=4660 channel=5 rssi=30"; empty when it is no such report.
std::string InfoLine(const uint8_t *report, size_t length);

}  // namespace pendant
