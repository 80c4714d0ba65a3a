// A recording is data: the replay takes only a recording's commands, reads
// and checks the whole file before anything acts, keeps to its bounds, and
// replays what the recorder writes report for report with its gaps.
#include "replay.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "pendant/pendant_commands.h"
#include "recording.h"
#include "recording_commands.h"
#include "served_receiver.h"

namespace {

using vreceiver::script::Replay;
using vreceiver::script::ReplayLimits;
using vreceiver::script::ReplaySummary;

class ReplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vreceiver::script::UseClock(&clock_);
    startUs_ = clock_.NowUs();
    vreceiver::script::AddRecordingCommands(commands_, served_.receiver);
  }
  void TearDown() override { vreceiver::script::UseClock(nullptr); }

  // Checks `text` as recording "r.vr": the error, empty when it passed.
  std::string Refusal(const std::string &text, ReplayLimits limits = {}) {
    std::istringstream in(text);
    std::string error;
    summary_ = ReplaySummary{};
    const bool ok = Replay(commands_, "r.vr", limits).Check(in, &summary_, &error);
    EXPECT_EQ(ok, error.empty());
    return error;
  }
  bool Play(const std::string &text) {
    std::istringstream in(text);
    std::string error;
    const bool ok = Replay(commands_, "r.vr")
                        .Play(
                            in, [](uint64_t, const std::string &) { return true; }, &error);
    EXPECT_EQ("", error);
    return ok;
  }
  // What a checked file may not have done: no setting changed, no report.
  void ExpectNothingHappened(uint64_t version) {
    EXPECT_EQ(version, served_.receiver.Settings().version);
    EXPECT_EQ(0u, served_.receiver.PendingReports());
    EXPECT_TRUE(served_.TakeSent().empty());
  }

  // Elapsed virtual time since the test began.
  int64_t Elapsed() { return clock_.NowUs() - startUs_; }

  // One for the program: a thread's timeline outlives a test.
  static vreceiver::testing::VirtualClock clock_;
  int64_t startUs_ = 0;
  vreceiver::testing::ServedReceiver served_;
  vreceiver::script::Interpreter commands_;
  ReplaySummary summary_;
};

vreceiver::testing::VirtualClock ReplayTest::clock_;

// Every line before the refused one is a command that would act: the check
// acts on none of them.
constexpr char kActingLines[] =
    "product 0xEB92\r\ninfo id=1 rssi=9\r\nunplug\r\nplug\r\nkeys 1\r\n"
    "report 04 00 01 02 03 04 05 06\r\nwheel 5\r\nsleep 10\r\n";

TEST_F(ReplayTest, ACommandNoRecordingHoldsIsRefusedBeforeAnythingActs) {
  const uint64_t version = served_.receiver.Settings().version;
  for (const char *line :
       {"run cmd.exe /c echo hello", "timings C:\\windows\\win.ini", "snapshot a",
        "expect-file C:\\x yes", "ui-click 1021", "ui-type 2050 \"x\"", "kill", "interrupt", "help",
        "quit", "echo hi", "show", "foreign 3", "refuse-writes -1", "mark m", "clear-log",
        "expect-greetings 1"}) {
    const std::string name = std::string(line).substr(0, std::string(line).find(' '));
    EXPECT_EQ("r.vr:9: '" + name + "' is not a command a recording holds",
              Refusal(kActingLines + std::string(line) + "\r\nkeys 2\r\n"));
  }
  ExpectNothingHappened(version);
}

TEST_F(ReplayTest, AMalformedLineIsRefusedWithItsNumberAndWhatIsWrong) {
  const uint64_t version = served_.receiver.Settings().version;
  const std::pair<const char *, const char *> cases[] = {
      {"report 04 00 01 02", "expected one or more reports of 8 bytes"},  // a cut report
      {"report 04 00 01 02 03 04 05 0G", "expected hex bytes like 06 FE FD"},
      {"keys 256", "expected a number from 0 to 255"},
      {"wheel 1x", "expected a number from -100000 to 100000"},
      {"product 0x", "expected a number from 0 to 65535"},
      {"info id=", "id must be a number from 0 to 65535"},  // an empty value
      {"info channel=-129", "channel must be a number from -128 to 127"},
      {"info serial=1", "takes no option serial"},
      {"sleep 4294967296",
       "expected a number from 0 to 2147483647"},  // beyond 32 bits, not cut to them
      {"sleep -1", "expected a number from 0 to 2147483647"},
      {"sleep", "expected 1 word"},
      {"release 5", "takes no words"},
      {"estop maybe", "expected on or off"},
      {"keys 1 as=x", "takes no option as"},
      {"keys \"1", "unterminated string"},
      {"\x01\xFF\xFE garbage", "'\\x01\\xFF\\xFE' is not a command a recording holds"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(std::string("r.vr:9: ") + c.second, Refusal(kActingLines + std::string(c.first)))
        << c.first;
  }
  ExpectNothingHappened(version);
}

TEST_F(ReplayTest, EachBoundIsKeptWithAClearMessage) {
  ReplayLimits small;
  small.longestLine = 20;
  small.largestFile = 100;
  small.longestPlayMs = 1000;
  // A line (a comment too) longer than the longest is refused unread.
  EXPECT_EQ("", Refusal("keys 1\n# " + std::string(18, 'x') + "\n", small));
  EXPECT_EQ("r.vr:2: a line longer than 20 bytes",
            Refusal("keys 1\n# " + std::string(19, 'x') + "\n", small));
  EXPECT_EQ("r.vr:2: a line longer than 4096 bytes",
            Refusal("keys 1\n" + std::string(10 << 20, ' ') + "\n"));
  // A file larger than the largest.
  std::string lines;
  for (int i = 0; i < 12; ++i) lines += "keys 1\r\n";
  EXPECT_EQ("r.vr:13: the file is larger than 100 bytes", Refusal(lines + "release\r\n", small));
  // A recording that plays longer than the longest.
  EXPECT_EQ("r.vr:3: the recording plays longer than 0 hours",
            Refusal("sleep 600\nsleep 400\nsleep 1\n", small));
  // A gap longer than an hour plays as an hour, with a note.
  EXPECT_EQ("", Refusal("sleep 90000000\nkeys 1\n"));
  EXPECT_EQ(2u, summary_.lines);
  EXPECT_EQ(3600000u, summary_.playMs);
  EXPECT_EQ("r.vr:1: a gap of 90000000 ms plays as the longest kept, 3600000 ms\n",
            summary_.firstNotes);
  ASSERT_TRUE(Play("sleep 90000000\nkeys 1\n"));
  EXPECT_EQ(3600000000, Elapsed());
}

// A recording as the recorder writes it, with reports of every kind, an
// unplug and a replug and gaps, plays the same reports in the same order
// with the same time between them.
TEST_F(ReplayTest, WhatTheRecorderWritesReplaysReportForReport) {
  std::string file;
  recorder::Recording recording([&](const std::vector<std::string> &lines) {
    for (const std::string &line : lines) file += line + "\r\n";
    return true;
  });
  ASSERT_TRUE(recording.Begin({"pendant-record 1.0.0.1", "2026-12-08 06:34:24", 0xEB93,
                               "info id=4660 channel=-7 rssi=42", ""},
                              0));
  std::vector<pendant::Report> reports;
  uint32_t seed = 7;
  int64_t timeUs = 0;
  std::string command;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245 + 12345;
    pendant::Report report{static_cast<uint8_t>(i % 500 == 17 ? 6 : 4), 0};
    for (size_t b = 2; b < report.size(); ++b) {
      report[b] = static_cast<uint8_t>(seed >> (8 + b * 3));
    }
    if (seed % 3 != 0) report[2] = report[3] = 0;  // mostly no key, as a pendant sends
    timeUs += seed % 7 * 900;                      // gaps of 0 to 5.4 ms
    ASSERT_TRUE(recording.AddReport(timeUs, report, &command));
    reports.push_back(report);
    if (i == 1500) {
      ASSERT_TRUE(recording.AddUnplug(timeUs + 1000));
      ASSERT_TRUE(recording.AddPlug(timeUs + 900000, 0xEB91));
      timeUs += 900000;
    }
  }
  ASSERT_TRUE(recording.End(timeUs, "stopped by Ctrl+C"));

  ASSERT_EQ("", Refusal(file));
  ASSERT_TRUE(Play(file));
  EXPECT_EQ(reports, served_.TakeSent());
  EXPECT_EQ(0xEB91, served_.receiver.ProductId());
  EXPECT_EQ(4660, served_.receiver.Info().deviceId);
  EXPECT_EQ((timeUs + 500) / 1000 * 1000, Elapsed());
}

// The README's excerpt of a recording replays as it stands.
TEST_F(ReplayTest, TheReadmesRecordingReplays) {
  std::ifstream readme(TARVEX_SOURCE_DIR "/README.md");
  std::string line, excerpt;
  bool in = false;
  while (std::getline(readme, line)) {
    if (line.rfind("# Recorded by pendant-record", 0) == 0) in = true;
    if (in && line.rfind("```", 0) == 0) break;
    if (in) excerpt += line + "\n";
  }
  ASSERT_NE("", excerpt);
  ASSERT_EQ("", Refusal(excerpt));
  ASSERT_TRUE(Play(excerpt));
  const std::vector<pendant::Report> sent = served_.TakeSent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ((pendant::Report{4, 0, 3, 0, 0x0D, 0x11, 0, 0}), sent.front());
}

}  // namespace
