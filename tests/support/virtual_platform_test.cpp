// The in-process port is at least as strict as Windows between a program and
// the device; the library's tests rely on that, so it is checked here.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "vreceiver/receiver.h"
#include "virtual_platform.h"

namespace devicetest {
namespace {

using mqd7ra::DeviceHandle;
using mqd7ra::ReadResult;

constexpr uint32_t kWaitMs = 5000;

struct ReadJob {
  testsupport::VirtualPlatform *platform;
  DeviceHandle handle;
  std::atomic<int> result{-1};
};

uint32_t ReadOnce(void *parameter) {
  auto *job = static_cast<ReadJob *>(parameter);
  uint8_t buffer[8] = {};
  job->result = static_cast<int>(job->platform->ReadReport(job->handle, buffer, sizeof buffer));
  return 0;
}

class VirtualPlatformTest : public ::testing::Test {
 protected:
  std::string PathOf(size_t index) { return receiver.ListInterfaces().at(index).path; }
  DeviceHandle OpenAt(size_t index) { return platform.OpenDevice(PathOf(index).c_str()); }

  // Starts a platform thread that reads the handle once.
  mqd7ra::ThreadHandle StartRead(ReadJob *job) {
    uint32_t id = 0;
    const mqd7ra::ThreadHandle thread = platform.CreateSuspendedThread(&ReadOnce, job, &id);
    platform.ResumeThread(thread);
    return thread;
  }
  void Finish(mqd7ra::ThreadHandle thread) {
    ASSERT_TRUE(platform.WaitForThread(thread, kWaitMs));
    platform.CloseThread(thread);
  }

  vreceiver::Receiver receiver;  // two foreign interfaces, then input (2) and feature (3)
  testsupport::VirtualPlatform platform{receiver};
};

TEST_F(VirtualPlatformTest, ClosedValuesComeBackAtOnceLowestFirst) {
  const DeviceHandle first = OpenAt(0);
  const DeviceHandle second = OpenAt(2);
  EXPECT_EQ(4, first);
  EXPECT_EQ(8, second);
  EXPECT_EQ(1, platform.CloseDevice(first));
  EXPECT_EQ(first, OpenAt(3));  // another device, the same value
  EXPECT_EQ(1, platform.CloseDevice(first));
  EXPECT_EQ(0, platform.CloseDevice(first));
  EXPECT_EQ(1u, platform.Counters().invalidCloses);
  EXPECT_EQ(1, platform.CloseDevice(second));
  EXPECT_EQ(0u, platform.Counters().openHandles);
}

TEST_F(VirtualPlatformTest, ACancelReachesOnlyAReadAlreadyPending) {
  const DeviceHandle input = OpenAt(2);
  ReadJob job{&platform, input};
  platform.HoldReads(true);
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.HeldReads() == 1; }, kWaitMs));
  EXPECT_FALSE(platform.CancelBlockedRead(thread));  // not begun: lost
  platform.HoldReads(false);
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.BlockedReads() == 1; }, kWaitMs));
  EXPECT_EQ(-1, job.result);  // the lost cancel did not end it
  EXPECT_TRUE(platform.CancelBlockedRead(thread));
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kCancelled), job.result);
  platform.CloseDevice(input);
}

TEST_F(VirtualPlatformTest, ACloseWaitsForThePendingReadAndIsCounted) {
  const DeviceHandle input = OpenAt(2);
  ReadJob job{&platform, input};
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.BlockedReads() == 1; }, kWaitMs));

  // The close does not end the read: it returns once a report has.
  std::thread closer([&] { EXPECT_EQ(1, platform.CloseDevice(input)); });
  ASSERT_TRUE(
      receiver.WaitFor([&] { return platform.Counters().closesThatWaited == 1; }, kWaitMs));
  EXPECT_EQ(-1, job.result);
  receiver.PressKeys(1);
  closer.join();
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kReport), job.result);
  EXPECT_EQ(0u, platform.Counters().closesTimedOut);

  // With no report the bounded wait runs out, is counted, and the close goes on.
  platform.SetCloseWaitLimit(20);
  const DeviceHandle again = OpenAt(2);
  ReadJob idle{&platform, again};
  const mqd7ra::ThreadHandle second = StartRead(&idle);
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.BlockedReads() == 1; }, kWaitMs));
  EXPECT_EQ(1, platform.CloseDevice(again));
  Finish(second);
  EXPECT_EQ(static_cast<int>(ReadResult::kFailed), idle.result);
  EXPECT_EQ(2u, platform.Counters().closesThatWaited);
  EXPECT_EQ(1u, platform.Counters().closesTimedOut);
}

TEST_F(VirtualPlatformTest, FeatureBuffersAreMeasuredAgainstTheFeatureReport) {
  const DeviceHandle feature = OpenAt(3);
  const uint8_t shortReport[6] = {6, 0, 0, 0, 0, 0};
  EXPECT_FALSE(platform.SetFeature(feature, shortReport, sizeof shortReport));
  EXPECT_TRUE(receiver.FeatureWrites().empty());  // refused before the device

  const uint8_t longReport[10] = {6, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_TRUE(platform.SetFeature(feature, longReport, sizeof longReport));
  ASSERT_EQ(1u, receiver.FeatureWrites().size());
  EXPECT_EQ((std::vector<uint8_t>{6, 1, 2, 3, 4, 5, 6, 7}), receiver.FeatureWrites()[0].bytes);

  uint8_t info[8] = {6};
  EXPECT_FALSE(platform.GetFeature(feature, info, 7));
  EXPECT_TRUE(platform.GetFeature(feature, info, 8));
  EXPECT_EQ(2u, platform.Counters().refusedFeatureBuffers);

  // The input interface has no feature report at all.
  const DeviceHandle input = OpenAt(2);
  EXPECT_FALSE(platform.SetFeature(input, longReport, 8));
  platform.CloseDevice(input);
  platform.CloseDevice(feature);
}

}  // namespace
}  // namespace devicetest
