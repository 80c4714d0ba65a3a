// The recording as the recorder writes it: the header, each report as the
// pendant command that makes it (the first one raw, since the replaying
// pendant's state is not known before it), the gaps as sleeps that add up
// to the recorded time, an unplug and replug, and the last lines.
#include "recording.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

class RecordingTest : public ::testing::Test {
 protected:
  recorder::Recording recording_{[this](const Lines &lines) {
    events_.push_back(lines);
    return writable_;
  }};
  std::vector<Lines> events_;
  bool writable_ = true;

  std::string Add(int64_t timeUs, pendant::Report report) {
    std::string command;
    EXPECT_TRUE(recording_.AddReport(timeUs, report, &command));
    return command;
  }
};

pendant::Report Pendant(uint8_t key, uint8_t step, uint8_t axis, int8_t wheel) {
  pendant::PendantState state;
  state.key1 = key;
  state.stepCode = step;
  state.axisCode = axis;
  return pendant::MakeReport(state, wheel);
}

TEST_F(RecordingTest, HeaderNamesTheProductAndTheInformation) {
  recorder::Header header{"pendant-record 1.2.3.4", "2025-06-01 14:03:22", 0xEB93,
                          "info id=4660 channel=-7 rssi=42", ""};
  ASSERT_TRUE(recording_.Begin(header, 5));
  ASSERT_EQ(1u, events_.size());
  const Lines &lines = events_[0];
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("# Recorded by pendant-record 1.2.3.4 on 2025-06-01 14:03:22 (local time).", lines[0]);
  EXPECT_EQ('#', lines[1][0]);
  EXPECT_EQ("product 0xEB93", lines[2]);
  EXPECT_EQ("info id=4660 channel=-7 rssi=42", lines[3]);

  header.infoLine.clear();
  header.infoNote = "no information report: refused";
  ASSERT_TRUE(recording_.Begin(header, 5));
  EXPECT_EQ("# no information report: refused", events_[1].back());
}

// The pendant of a replay holds whatever it held before; the first report
// sets all it carries, and from then on each decodes against it.
TEST_F(RecordingTest, FirstReportIsRawThenEachDecodesToItsCommand) {
  recording_.Begin(recorder::Header{}, 0);
  EXPECT_EQ("report 04 00 00 00 0E 12 00 00", Add(1000, Pendant(0, 14, 18, 0)));
  EXPECT_EQ("wheel -3", Add(2000, Pendant(0, 14, 18, -3)));
  EXPECT_EQ("keys 5", Add(3000, Pendant(5, 14, 18, 0)));
  EXPECT_EQ("report 04 00 00 00 0F 13 00 00", Add(4000, Pendant(0, 15, 19, 0)));
  EXPECT_EQ("axis 17", Add(5000, Pendant(0, 15, 17, 0)));
  EXPECT_EQ(5u, recording_.Reports());
}

TEST_F(RecordingTest, AReportOfAnotherIdLeavesThePendantUnknown) {
  recording_.Begin(recorder::Header{}, 0);
  pendant::Report other = Pendant(0, 13, 17, 0);
  other[0] = 5;
  EXPECT_EQ("report 05 00 00 00 0D 11 00 00", Add(1000, other));
  EXPECT_EQ("report 04 00 00 00 0D 11 00 00", Add(2000, Pendant(0, 13, 17, 0)));
  EXPECT_EQ("release", Add(3000, Pendant(0, 13, 17, 0)));
}

// Gaps of 0.4 ms: some reports share a millisecond (no sleep at all), and
// the sleeps still add up to the time of the last report, rounded.
TEST_F(RecordingTest, SleepsAddUpToTheRecordedTimeWithoutDrift) {
  recording_.Begin(recorder::Header{}, 1000000);
  int64_t time = 1000000;
  for (int i = 0; i < 1000; ++i) {
    time += 400;
    Add(time, Pendant(0, 13, 17, 1));
  }
  long slept = 0;
  size_t withoutSleep = 0;
  for (size_t i = 1; i < events_.size(); ++i) {
    if (events_[i].size() == 1) ++withoutSleep;
    if (events_[i].size() == 2) slept += std::stol(events_[i][0].substr(6));
  }
  EXPECT_EQ(400, slept);
  EXPECT_GT(withoutSleep, 500u);
}

TEST_F(RecordingTest, UnplugWaitsForTheReportsBeforeItAndReplugSetsANewProduct) {
  recording_.Begin(recorder::Header{"", "", 0xEB91, "", ""}, 0);
  Add(10000, Pendant(0, 13, 17, 2));
  ASSERT_TRUE(recording_.AddUnplug(30000));
  EXPECT_EQ((Lines{"sleep 20", "wait-sent", "unplug"}), events_.back());
  ASSERT_TRUE(recording_.AddPlug(530000, 0xEB91));
  EXPECT_EQ((Lines{"sleep 500", "plug"}), events_.back());
  recording_.AddUnplug(600000);
  ASSERT_TRUE(recording_.AddPlug(700000, 0xEB92));
  EXPECT_EQ((Lines{"sleep 100", "product 0xEB92", "plug"}), events_.back());
  // The pendant kept its state across: the next report decodes.
  EXPECT_EQ("wheel 1", Add(701000, Pendant(0, 13, 17, 1)));
  ASSERT_TRUE(recording_.End(2500000, "stopped by Ctrl+C"));
  EXPECT_EQ((Lines{"wait-sent", "# 2 reports in 2.500 s; stopped by Ctrl+C."}), events_.back());
}

TEST_F(RecordingTest, AFailedWriteIsReported) {
  recording_.Begin(recorder::Header{}, 0);
  writable_ = false;
  std::string command;
  EXPECT_FALSE(recording_.AddReport(1000, Pendant(1, 13, 17, 0), &command));
  EXPECT_FALSE(recording_.AddUnplug(2000));
  EXPECT_FALSE(recording_.End(3000, "stopped"));
}

TEST(ReportNote, ShowsNumberTimeBytesAndCommand) {
  EXPECT_EQ("report 12 at 3.042 s: 04 00 00 00 0D 11 03 00  wheel 3",
            recorder::ReportNote(12, 3.0421, Pendant(0, 13, 17, 3), "wheel 3"));
}

}  // namespace
