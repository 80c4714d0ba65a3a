// The way back from an input report to the pendant command that makes it,
// checked against the model's own encoder: every report either decodes to
// a command that, run on a receiver holding the same state, sends the very
// same 8 bytes, or stays a raw report; and what the pendant holds after
// either is what the decoder expects for the next report.
#include <gtest/gtest.h>

#include <random>

#include "pendant/pendant_commands.h"
#include "vreceiver/pendant.h"

namespace {

using pendant::PendantCommand;
using pendant::PendantState;
using pendant::Report;
using Kind = PendantCommand::Kind;

// Runs the command as the script command of the same name does.
void RunCommand(vreceiver::Pendant pendant, const PendantCommand &command) {
  const auto value = static_cast<uint8_t>(command.value);
  switch (command.kind) {
    case Kind::kKeys:
      pendant.PressKeys(value, command.key2);
      break;
    case Kind::kWheel:
      pendant.TurnWheel(command.value);
      break;
    case Kind::kAxis:
      pendant.SetAxis(value);
      break;
    case Kind::kStep:
      pendant.SetStep(value);
      break;
    case Kind::kWheelEnable:
      pendant.SetWheelEnabled(command.value != 0);
      break;
    case Kind::kEstop:
      pendant.SetEmergencyStop(command.value != 0);
      break;
    case Kind::kReport:
      pendant.SendReport(command.report);
      break;
  }
}

void ExpectSameState(const PendantState &want, const PendantState &got, const std::string &what) {
  EXPECT_EQ(want.key1, got.key1) << what;
  EXPECT_EQ(want.key2, got.key2) << what;
  EXPECT_EQ(want.stepCode, got.stepCode) << what;
  EXPECT_EQ(want.wheelEnabled, got.wheelEnabled) << what;
  EXPECT_EQ(want.emergencyStop, got.emergencyStop) << what;
  EXPECT_EQ(want.axisCode, got.axisCode) << what;
  EXPECT_EQ(want.wheelDetents, got.wheelDetents) << what;
}

std::string Hex(const Report &report) {
  PendantCommand raw;
  raw.report = report;
  return pendant::CommandLine(raw);
}

class ReportDecoder : public ::testing::Test {
 protected:
  // Decodes `report` from `state`, runs the command on a receiver holding
  // `state` and checks the one report it sends and the state it leaves.
  // Returns whether the report decoded to a pendant command.
  bool RoundTrip(const PendantState &state, const Report &report) {
    const PendantCommand command = pendant::DecodeReport(state, report);
    const std::string what = Hex(report) + " decoded as " + pendant::CommandLine(command);
    pendant_.State() = state;
    RunCommand(pendant_, command);
    EXPECT_EQ(1u, receiver_.PendingReports()) << what;
    Report sent{};
    if (receiver_.TakeReport(&sent, 0)) receiver_.ReportSent();
    EXPECT_EQ(report, sent) << what;
    ExpectSameState(pendant::StateAfter(state, report), pendant_.Now(), what);
    while (receiver_.TakeReport(&sent, 0)) receiver_.ReportSent();
    return command.kind != Kind::kReport;
  }

  vreceiver::Receiver receiver_;
  vreceiver::Pendant pendant_{receiver_};
};

std::vector<PendantState> States() {
  PendantState held;
  held.key1 = 3;
  held.key2 = 12;
  held.stepCode = 63;
  held.wheelEnabled = true;
  held.emergencyStop = true;
  held.axisCode = 0;
  held.wheelDetents = -77;
  PendantState odd;
  odd.key2 = 255;
  odd.stepCode = 0;
  odd.axisCode = 255;
  odd.wheelEnabled = true;
  // A day of fast turning: the wheel stands past what 32 bits hold.
  PendantState far;
  far.wheelDetents = 2147483600;
  return {PendantState{}, held, odd, far};
}

TEST_F(ReportDecoder, EveryByteOfEveryPositionRoundTrips) {
  for (const PendantState &state : States()) {
    const Report base = pendant::MakeReport(state, 0);
    for (size_t position = 0; position < base.size(); ++position) {
      for (int value = 0; value < 256; ++value) {
        Report report = base;
        report[position] = static_cast<uint8_t>(value);
        RoundTrip(state, report);
      }
    }
  }
}

TEST_F(ReportDecoder, TwoChangedFieldsAndRandomReportsRoundTrip) {
  const uint8_t values[] = {0, 1, 13, 17, 0x3F, 0x40, 0x7F, 0x80, 0xC0, 0xFF};
  for (const PendantState &state : States()) {
    const Report base = pendant::MakeReport(state, 0);
    for (size_t first = 2; first < 7; ++first) {
      for (size_t second = first + 1; second < 7; ++second) {
        for (uint8_t a : values) {
          for (uint8_t b : values) {
            Report report = base;
            report[first] = a;
            report[second] = b;
            RoundTrip(state, report);
          }
        }
      }
    }
  }
  std::mt19937 random(16);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 20000; ++i) {
    Report report{};
    for (uint8_t &b : report) b = static_cast<uint8_t>(byte(random));
    if (i % 2 == 0) report[0] = pendant::kInputReportId;
    RoundTrip(States()[static_cast<size_t>(i) % 3], report);
  }
}

// What a pendant command sends never needs a raw report, so a recording of
// the virtual pendant reads as the commands that made it.
TEST_F(ReportDecoder, EveryPendantCommandsReportDecodesToACommand) {
  std::vector<PendantCommand> commands;
  for (int value = 0; value < 256; ++value) {
    for (Kind kind : {Kind::kKeys, Kind::kAxis}) {
      commands.push_back(PendantCommand{kind, value, static_cast<uint8_t>(value * 7), {}});
    }
    if (value < 64) commands.push_back(PendantCommand{Kind::kStep, value, 0, {}});
    if (value - 128 != 0) commands.push_back(PendantCommand{Kind::kWheel, value - 128, 0, {}});
  }
  for (int on = 0; on < 2; ++on) {
    commands.push_back(PendantCommand{Kind::kWheelEnable, on, 0, {}});
    commands.push_back(PendantCommand{Kind::kEstop, on, 0, {}});
  }
  for (const PendantState &state : States()) {
    for (const PendantCommand &command : commands) {
      pendant_.State() = state;
      RunCommand(pendant_, command);
      Report sent{};
      ASSERT_TRUE(receiver_.TakeReport(&sent, 0)) << pendant::CommandLine(command);
      receiver_.ReportSent();
      EXPECT_TRUE(RoundTrip(state, sent))
          << pendant::CommandLine(command) << " sent " << Hex(sent) << ", which stays raw";
    }
  }
}

// Only a report of the pendant's own shape moves it; another report ID, or
// bytes 1 and 7 that the pendant never sets, stay raw.
TEST_F(ReportDecoder, ReportsThePendantNeverSendsStayRaw) {
  const PendantState state;
  Report report = pendant::MakeReport(state, 5);
  report[7] = 1;
  EXPECT_FALSE(RoundTrip(state, report));
  report = pendant::MakeReport(state, 0);
  report[1] = 0x80;
  EXPECT_FALSE(RoundTrip(state, report));
  report = pendant::MakeReport(state, 0);
  report[0] = 5;
  report[2] = 9;
  EXPECT_FALSE(RoundTrip(state, report));
  ExpectSameState(state, pendant::StateAfter(state, report), "another report ID");
  // Keys and axis at once: no one command does both.
  report = pendant::MakeReport(state, 0);
  report[2] = 4;
  report[5] = 18;
  EXPECT_FALSE(RoundTrip(state, report));
}

TEST(ReportDecoderLines, LinesAreTheScriptCommands) {
  const PendantState state;
  auto line = [&](Report report) {
    return pendant::CommandLine(pendant::DecodeReport(state, report));
  };
  EXPECT_EQ("wheel -128", line({4, 0, 0, 0, 13, 17, 0x80, 0}));
  EXPECT_EQ("keys 0 5", line({4, 0, 0, 5, 13, 17, 0, 0}));
  EXPECT_EQ("release", line({4, 0, 0, 0, 13, 17, 0, 0}));
  EXPECT_EQ("estop on", line({4, 0, 0, 0, 0x8D, 17, 0, 0}));
  EXPECT_EQ("report 04 00 00 00 0E 12 00 00", line({4, 0, 0, 0, 14, 18, 0, 0}));
}

// The header's information line is what the `info` command sets, read
// back from the model's own information report.
TEST(ReportDecoderLines, InformationReportReadsAsTheInfoLine) {
  vreceiver::Receiver receiver;
  receiver.SetInfo(vreceiver::ReceiverInfo{0xFEDC, -128, 255});
  const Report answer = receiver.InfoReport();
  EXPECT_EQ("info id=65244 channel=-128 rssi=255", pendant::InfoLine(answer.data(), 8));
  EXPECT_EQ("", pendant::InfoLine(answer.data(), 7));
  const Report input = pendant::MakeReport(PendantState{}, 0);
  EXPECT_EQ("", pendant::InfoLine(input.data(), 8));
}

}  // namespace
