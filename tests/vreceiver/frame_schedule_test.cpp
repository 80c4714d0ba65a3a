// The receiver's input schedule: one report per 1 ms frame on average, late
// wake-ups made up, never two reports in one frame after a pause. Times are
// given, not measured.
#include "vreceiver/frame_schedule.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using vreceiver::FrameSchedule;

const FrameSchedule::Clock::time_point kStart =
    FrameSchedule::Clock::time_point{} + std::chrono::hours(1);

// Runs the pump's loop over `count` reports queued at kStart, the pump
// waking `lateness` after each due moment; returns when each one went.
std::vector<FrameSchedule::Clock::time_point> Hand(FrameSchedule &schedule, int count,
                                                   FrameSchedule::Clock::duration lateness) {
  std::vector<FrameSchedule::Clock::time_point> sent;
  FrameSchedule::Clock::time_point now = kStart;
  for (int i = 0; i < count; ++i) {
    const auto due = schedule.Next(now);
    if (due > now) now = due + lateness;  // slept until due, woke late
    sent.push_back(now);
    schedule.Sent();
  }
  return sent;
}

TEST(FrameSchedule, QueuedReportsGoOneFrameApartFromTheFirst) {
  FrameSchedule schedule;
  const auto sent = Hand(schedule, 4, {});
  ASSERT_EQ(4u, sent.size());
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(kStart + milliseconds(i), sent[i]) << i;
}

// Each sleep overshoots by 1.5 frames: the reports whose frames passed go at
// once, so N reports still take N frames, not N sleeps.
TEST(FrameSchedule, LateWakeUpsAreMadeUpSoTheRateHolds) {
  FrameSchedule schedule;
  const auto sent = Hand(schedule, 1000, microseconds(1500));
  EXPECT_LE(sent.back() - kStart, milliseconds(1000) + microseconds(1500));
  // The first report is never held back, and none goes before its frame.
  EXPECT_EQ(kStart, sent.front());
  for (size_t i = 0; i < sent.size(); ++i) EXPECT_GE(sent[i], kStart + milliseconds(i)) << i;
}

TEST(FrameSchedule, ALongStallIsMadeUpOnlyUpToTheBound) {
  FrameSchedule schedule(milliseconds(1), 16);
  EXPECT_EQ(kStart, schedule.Next(kStart));
  schedule.Sent();
  // The pump was away for 100 frames with reports waiting.
  const auto back = kStart + milliseconds(100);
  int atOnce = 0;
  while (schedule.Next(back) <= back) {
    schedule.Sent();
    ++atOnce;
  }
  EXPECT_EQ(17, atOnce);  // the bound's 16 frames, and the frame now
  EXPECT_EQ(back + milliseconds(1), schedule.Next(back));
}

TEST(FrameSchedule, AReportAfterAPauseStartsANewBurst) {
  FrameSchedule schedule;
  EXPECT_EQ(kStart, schedule.Next(kStart));
  schedule.Sent();
  schedule.Idle();
  // Half a frame later another report: it waits for the next frame.
  EXPECT_EQ(kStart + milliseconds(1), schedule.Next(kStart + microseconds(500)));
  schedule.Sent();
  schedule.Idle();
  // Much later: it goes at once, and the one queued with it a frame after,
  // not in a burst of the frames that passed while nothing was queued.
  const auto later = kStart + milliseconds(500);
  EXPECT_EQ(later, schedule.Next(later));
  schedule.Sent();
  EXPECT_EQ(later + milliseconds(1), schedule.Next(later));
}

}  // namespace
