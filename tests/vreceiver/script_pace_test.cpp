// The timeline a script's sleeps keep, on a clock the test moves: recorded
// gaps are kept without drift however late the thread wakes, --speed
// scales them, and a wait between two sleeps starts the timeline afresh.
#include "script_pace.h"

#include <gtest/gtest.h>

namespace {

using vreceiver::script::ScriptPace;

// A replay of gaps 7, 1, 1, 250 ms whose thread always wakes 3 ms late and
// whose commands take 0.4 ms: each sleep ends on the recorded offsets, so
// the lateness of one wake-up is made up by the next gap.
TEST(ScriptPace, RecordedGapsKeepTheirOffsetsDespiteLateWakeUps) {
  ScriptPace pace;
  int64_t now = 1000000;
  const int64_t start = now;
  int64_t offset = 0;
  for (uint32_t gap : {7u, 1u, 1u, 250u, 3u}) {
    offset += gap * 1000;
    const int64_t end = pace.SleepEnd(now, gap);
    EXPECT_EQ(std::max(now, start + offset), end) << "gap " << gap;
    now = end + 3000 + 400;  // woke late, then ran the command
  }
}

TEST(ScriptPace, SpeedScalesEveryGap) {
  ScriptPace fast(4);
  EXPECT_EQ(100 + 250000, fast.SleepEnd(100, 1000));
  EXPECT_EQ(100 + 250000 + 250, fast.SleepEnd(100 + 250000, 1));
  ScriptPace slow(0.5);
  EXPECT_EQ(2000, slow.SleepEnd(0, 1));
  // A third of a millisecond at a time does not drift by rounding.
  ScriptPace third(3);
  int64_t end = 0;
  for (int i = 0; i < 3000; ++i) end = third.SleepEnd(end, 1);
  EXPECT_EQ(1000000, end);
  // A new speed counts from where the timeline stands.
  third.SetSpeed(1);
  EXPECT_EQ(1000000 + 2000, third.SleepEnd(end, 2));
}

// A demo's pause after a command that waited seconds is a full pause; a
// command that took a few milliseconds is made up.
TEST(ScriptPace, AWaitBetweenSleepsStartsTheTimelineAfresh) {
  ScriptPace pace;
  int64_t end = pace.SleepEnd(0, 100);
  EXPECT_EQ(100000, end);
  const int64_t afterShortCommand = end + vreceiver::script::kMaxCatchUpMs * 1000;
  end = pace.SleepEnd(afterShortCommand, 100);
  EXPECT_EQ(200000, end);
  const int64_t afterWait = end + vreceiver::script::kMaxCatchUpMs * 1000 + 1;
  EXPECT_EQ(afterWait + 100000, pace.SleepEnd(afterWait, 100));
  // Behind by more than the gap (and not too far): no wait at all.
  ScriptPace behind;
  end = behind.SleepEnd(0, 1);
  EXPECT_EQ(end + 20000, behind.SleepEnd(end + 20000, 5));
}

TEST(ScriptPace, SpeedIsAPositiveNumber) {
  double speed = 0;
  EXPECT_TRUE(vreceiver::script::ParseSpeed("0.25", &speed));
  EXPECT_EQ(0.25, speed);
  for (const char *bad : {"0", "-2", "fast", "2x", "", "1e9", "nan"}) {
    EXPECT_FALSE(vreceiver::script::ParseSpeed(bad, &speed)) << bad;
  }
}

}  // namespace
