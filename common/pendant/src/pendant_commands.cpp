// The pendant's commands as data: their script lines, and the command that
// makes a given input report, found by asking the pendant's one encoder below.
#include "pendant/pendant_commands.h"

#include <cstdio>

namespace pendant {

Report MakeReport(const PendantState &p, int8_t wheelDelta) {
  const uint8_t mode = static_cast<uint8_t>((p.stepCode & 0x3F) | (p.wheelEnabled ? 0x40 : 0) |
                                            (p.emergencyStop ? 0x80 : 0));
  return Report{
      kInputReportId, 0, p.key1, p.key2, mode, p.axisCode, static_cast<uint8_t>(wheelDelta), 0};
}

namespace {

using Kind = PendantCommand::Kind;

constexpr uint8_t kStepMask = 0x3F;
constexpr uint8_t kWheelEnableBit = 0x40;
constexpr uint8_t kEstopBit = 0x80;

PendantCommand Make(Kind kind, int32_t value, uint8_t key2 = 0) {
  PendantCommand command;
  command.kind = kind;
  command.value = value;
  command.key2 = key2;
  return command;
}

// What the command leaves the pendant holding, as the receiver's setters
// do it, and the wheel delta of the report it sends.
PendantState Applied(PendantState state, const PendantCommand &command, int8_t *delta) {
  *delta = 0;
  switch (command.kind) {
    case Kind::kKeys:
      state.key1 = static_cast<uint8_t>(command.value);
      state.key2 = command.key2;
      break;
    case Kind::kWheel:
      *delta = static_cast<int8_t>(command.value);
      state.wheelDetents += command.value;
      break;
    case Kind::kAxis:
      state.axisCode = static_cast<uint8_t>(command.value);
      break;
    case Kind::kStep:
      state.stepCode = static_cast<uint8_t>(command.value);
      break;
    case Kind::kWheelEnable:
      state.wheelEnabled = command.value != 0;
      break;
    case Kind::kEstop:
      state.emergencyStop = command.value != 0;
      break;
    case Kind::kReport:
      state = StateAfter(state, command.report);
      break;
  }
  return state;
}

std::string OnOff(int32_t value) { return value != 0 ? "on" : "off"; }

}  // namespace

std::string KeysLine(uint8_t key1, uint8_t key2) {
  if (key1 == 0 && key2 == 0) return "release";
  std::string line = "keys " + std::to_string(key1);
  if (key2 != 0) line += " " + std::to_string(key2);
  return line;
}

std::string CommandLine(const PendantCommand &command) {
  switch (command.kind) {
    case Kind::kKeys:
      return KeysLine(static_cast<uint8_t>(command.value), command.key2);
    case Kind::kWheel:
      return "wheel " + std::to_string(command.value);
    case Kind::kAxis:
      return "axis " + std::to_string(command.value);
    case Kind::kStep:
      return "step " + std::to_string(command.value);
    case Kind::kWheelEnable:
      return "wheel-enable " + OnOff(command.value);
    case Kind::kEstop:
      return "estop " + OnOff(command.value);
    case Kind::kReport:
      break;
  }
  std::string line = "report";
  for (uint8_t byte : command.report) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    line += hex;
  }
  return line;
}

PendantState StateAfter(const PendantState &before, const Report &report) {
  if (report[0] != kInputReportId) return before;
  PendantState after = before;
  after.key1 = report[2];
  after.key2 = report[3];
  after.stepCode = report[4] & kStepMask;
  after.wheelEnabled = (report[4] & kWheelEnableBit) != 0;
  after.emergencyStop = (report[4] & kEstopBit) != 0;
  after.axisCode = report[5];
  after.wheelDetents += static_cast<int8_t>(report[6]);
  return after;
}

// Each command that could have made the report is built from the report's
// own fields; the first whose report, sent from `before`, is the same 8
// bytes wins. Keys come first, so that a report that repeats the state
// reads as the keys held.
PendantCommand DecodeReport(const PendantState &before, const Report &report) {
  const uint8_t mode = report[4];
  const PendantCommand candidates[] = {
      Make(Kind::kKeys, report[2], report[3]),
      Make(Kind::kWheel, static_cast<int8_t>(report[6])),
      Make(Kind::kAxis, report[5]),
      Make(Kind::kStep, mode & kStepMask),
      Make(Kind::kWheelEnable, (mode & kWheelEnableBit) != 0),
      Make(Kind::kEstop, (mode & kEstopBit) != 0),
  };
  for (const PendantCommand &candidate : candidates) {
    int8_t delta = 0;
    const PendantState after = Applied(before, candidate, &delta);
    if (MakeReport(after, delta) == report) return candidate;
  }
  PendantCommand raw;
  raw.report = report;
  return raw;
}

std::string InfoLine(const uint8_t *report, size_t length) {
  if (length < kReportLength || report[0] != kFeatureReportId) return "";
  const unsigned id = report[1] | (report[2] << 8);
  return "info id=" + std::to_string(id) +
         " channel=" + std::to_string(static_cast<int8_t>(report[4])) +
         " rssi=" + std::to_string(report[5]);
}

}  // namespace pendant
