// The in-process host is at least as strict as Windows between a program and
// the device; the library's tests rely on that, so it is checked here.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "virtual_platform.h"
#include "vreceiver/pendant.h"
#include "vreceiver/receiver.h"

namespace devicetest {
namespace {

using mqd7ra::DeviceHandle;
using mqd7ra::ReadResult;
using testsupport::CancelMode;

constexpr uint32_t kWaitMs = 5000;
constexpr size_t kInputIndex = 2;  // two foreign interfaces, then input, then feature
constexpr size_t kFeatureIndex = 3;

struct ReadJob {
  testsupport::VirtualPlatform *platform;
  DeviceHandle handle;
  std::atomic<int> result{-1};
  uint8_t report[8] = {};
};

uint32_t ReadOnce(void *parameter) {
  auto *job = static_cast<ReadJob *>(parameter);
  job->result =
      static_cast<int>(job->platform->ReadReport(job->handle, job->report, sizeof job->report));
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
  void WaitPending(uint32_t reads) {
    ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().PendingReads() == reads; }, kWaitMs));
  }
  void Finish(mqd7ra::ThreadHandle thread) {
    ASSERT_TRUE(platform.WaitForThread(thread, kWaitMs));
    platform.CloseThread(thread);
  }
  // Sends a report whose key byte tells it apart, and waits until it has
  // left the device.
  void Send(uint8_t key, int count = 1) {
    for (int i = 0; i < count; ++i) pendant.PressKeys(key);
    ASSERT_TRUE(receiver.WaitFor([&] { return receiver.PendingReports() == 0; }, kWaitMs));
  }
  // Reads one report from a handle that has one waiting; its key byte.
  int ReadKey(DeviceHandle handle) {
    uint8_t report[8] = {};
    if (platform.ReadReport(handle, report, sizeof report) != ReadResult::kReport) return -1;
    return report[2];
  }

  vreceiver::Receiver receiver;

  vreceiver::Pendant pendant{receiver};
  testsupport::VirtualPlatform platform{receiver};
};

TEST_F(VirtualPlatformTest, ClosedValuesComeBackAtOnceLowestFirst) {
  const DeviceHandle first = OpenAt(0);
  const DeviceHandle second = OpenAt(kInputIndex);
  EXPECT_EQ(4, first);
  EXPECT_EQ(8, second);
  EXPECT_EQ(1, platform.CloseDevice(first));
  EXPECT_EQ(first, OpenAt(kFeatureIndex));  // another device, the same value
  EXPECT_EQ(1, platform.CloseDevice(first));
  EXPECT_EQ(0, platform.CloseDevice(first));
  EXPECT_EQ(1u, platform.Counters().invalidCloses);
  EXPECT_EQ(1, platform.CloseDevice(second));
  EXPECT_EQ(0u, platform.Counters().openHandles);
}

// Every open handle gets its own copy of each report; a report that left the
// device before a handle was opened never reaches it, nor one sent while no
// handle was open at all.
TEST_F(VirtualPlatformTest, EveryHandleHasItsOwnQueueFromItsOpenOn) {
  Send(1);  // nobody has the interface open: gone
  const DeviceHandle a = OpenAt(kInputIndex);
  Send(2);
  const DeviceHandle b = OpenAt(kInputIndex);
  Send(3);
  EXPECT_EQ(2, ReadKey(a));
  EXPECT_EQ(3, ReadKey(a));
  EXPECT_EQ(3, ReadKey(b));
  platform.CloseDevice(a);
  platform.CloseDevice(b);
}

// 32 reports unless asked otherwise (2 to 512); a full ring drops its oldest.
TEST_F(VirtualPlatformTest, ARingKeeps32ThenDropsTheOldest) {
  const DeviceHandle input = OpenAt(kInputIndex);
  for (uint8_t key = 1; key <= 40; ++key) Send(key);
  EXPECT_EQ(8u, platform.Counters().reportsDropped);
  EXPECT_EQ(9, ReadKey(input));

  EXPECT_FALSE(platform.SetInputRingSize(input, 1));
  EXPECT_FALSE(platform.SetInputRingSize(input, 513));
  EXPECT_TRUE(platform.SetInputRingSize(input, 2));  // keeps the newest two of 10..40
  EXPECT_EQ(8u + 29u, platform.Counters().reportsDropped);
  EXPECT_EQ(39, ReadKey(input));
  EXPECT_EQ(40, ReadKey(input));

  EXPECT_TRUE(platform.SetInputRingSize(input, 512));
  Send(7, 512);
  EXPECT_EQ(37u, platform.Counters().reportsDropped);
  Send(8);
  EXPECT_EQ(38u, platform.Counters().reportsDropped);
  platform.CloseDevice(input);
}

TEST_F(VirtualPlatformTest, ACancelReachesOnlyAReadAlreadyPending) {
  const DeviceHandle input = OpenAt(kInputIndex);
  ReadJob job{&platform, input};
  platform.hid().HoldReads(true);
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().HeldReads() == 1; }, kWaitMs));
  EXPECT_FALSE(platform.CancelBlockedRead(thread));  // not begun: lost
  platform.hid().HoldReads(false);
  WaitPending(1);
  EXPECT_EQ(-1, job.result);  // the lost cancel did not end it
  EXPECT_TRUE(platform.CancelBlockedRead(thread));
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kCancelled), job.result);
  platform.CloseDevice(input);
}

// A cancel taken is not a cancel done: a held one leaves the read pending, so
// that a report can still end it; an ignored one leaves it for good.
TEST_F(VirtualPlatformTest, ACancelMayCompleteLateOrNever) {
  const DeviceHandle input = OpenAt(kInputIndex);
  platform.hid().SetCancelMode(CancelMode::kHeld);
  ReadJob held{&platform, input};
  mqd7ra::ThreadHandle thread = StartRead(&held);
  WaitPending(1);
  EXPECT_TRUE(platform.CancelBlockedRead(thread));
  EXPECT_FALSE(platform.WaitForThread(thread, 20));
  Send(5);  // comes before the cancel takes effect
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kReport), held.result);
  EXPECT_EQ(5, held.report[2]);

  ReadJob released{&platform, input};
  thread = StartRead(&released);
  WaitPending(1);
  EXPECT_TRUE(platform.CancelBlockedRead(thread));
  platform.hid().ReleaseHeldCancels();
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kCancelled), released.result);

  platform.hid().SetCancelMode(CancelMode::kIgnored);
  ReadJob ignored{&platform, input};
  thread = StartRead(&ignored);
  WaitPending(1);
  EXPECT_TRUE(platform.CancelBlockedRead(thread));
  platform.hid().ReleaseHeldCancels();
  EXPECT_FALSE(platform.WaitForThread(thread, 20));
  Send(6);
  Finish(thread);
  EXPECT_EQ(6, ignored.report[2]);
  platform.CloseDevice(input);
}

// Ending a thread cancels its read the same way: with cancels ignored the
// thread stays in its read, and keeps its handle busy, until a report comes.
TEST_F(VirtualPlatformTest, AThreadEndedInAnIgnoredReadStaysUntilAReport) {
  const DeviceHandle input = OpenAt(kInputIndex);
  platform.hid().SetCancelMode(CancelMode::kIgnored);
  ReadJob job{&platform, input};
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  WaitPending(1);
  platform.TerminateThread(thread);
  EXPECT_FALSE(platform.WaitForThread(thread, 20));
  EXPECT_EQ(1u, platform.hid().PendingReads());
  Send(8);
  Finish(thread);
  EXPECT_EQ(-1, job.result);  // the thread never came back to take it
  EXPECT_EQ(0u, platform.Counters().closesThatWaited);
  platform.CloseDevice(input);
}

// A synchronous handle serializes its I/O: a close or a request meeting a
// pending read waits for it (bounded here, counted).
TEST_F(VirtualPlatformTest, ACloseOrRequestWaitsForThePendingRead) {
  const DeviceHandle input = OpenAt(kInputIndex);
  ReadJob job{&platform, input};
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  WaitPending(1);
  std::thread closer([&] { EXPECT_EQ(1, platform.CloseDevice(input)); });
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.Counters().closesThatWaited == 1; }, kWaitMs));
  EXPECT_EQ(-1, job.result);
  pendant.PressKeys(1);
  closer.join();
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kReport), job.result);
  EXPECT_EQ(0u, platform.Counters().waitsTimedOut);

  // With no report the bounded wait runs out, is counted, and goes on.
  platform.hid().SetCloseWaitLimit(20);
  const DeviceHandle again = OpenAt(kInputIndex);
  ReadJob idle{&platform, again};
  const mqd7ra::ThreadHandle second = StartRead(&idle);
  WaitPending(1);
  mqd7ra::HidAttributes attributes;
  EXPECT_TRUE(platform.GetAttributes(again, &attributes));
  EXPECT_EQ(1u, platform.Counters().requestsThatWaited);
  EXPECT_EQ(1, platform.CloseDevice(again));
  Finish(second);
  EXPECT_EQ(static_cast<int>(ReadResult::kFailed), idle.result);
  EXPECT_EQ(2u, platform.Counters().closesThatWaited);
  EXPECT_EQ(2u, platform.Counters().waitsTimedOut);
}

// An interface that goes away takes its handles with it, for good: the one
// listed again later is another device.
TEST_F(VirtualPlatformTest, AHandleOfAnInterfaceThatWentAwayFailsForGood) {
  const DeviceHandle input = OpenAt(kInputIndex);
  const DeviceHandle feature = OpenAt(kFeatureIndex);
  ReadJob job{&platform, input};
  const mqd7ra::ThreadHandle thread = StartRead(&job);
  WaitPending(1);
  receiver.SetInterfacesPresent(false, true);
  Finish(thread);
  EXPECT_EQ(static_cast<int>(ReadResult::kFailed), job.result);
  const uint8_t report[8] = {6};
  EXPECT_TRUE(platform.SetFeature(feature, report, sizeof report));  // the other stays

  receiver.SetInterfacesPresent(true, true);
  mqd7ra::HidAttributes attributes;
  EXPECT_FALSE(platform.GetAttributes(input, &attributes));
  const DeviceHandle fresh = OpenAt(kInputIndex);
  EXPECT_TRUE(platform.GetAttributes(fresh, &attributes));
  for (DeviceHandle h : {input, feature, fresh}) platform.CloseDevice(h);
}

TEST_F(VirtualPlatformTest, FeatureBuffersAreMeasuredAgainstTheFeatureReport) {
  const DeviceHandle feature = OpenAt(kFeatureIndex);
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
  const DeviceHandle input = OpenAt(kInputIndex);
  EXPECT_FALSE(platform.SetFeature(input, longReport, 8));
  platform.CloseDevice(input);
  platform.CloseDevice(feature);
}

// A window thread that does not take its messages: the 10,001st waiting post
// is refused; the rest arrive in order once it takes them again.
TEST_F(VirtualPlatformTest, PostsBeyondTenThousandWaitingAreRefused) {
  std::vector<intptr_t> taken;
  platform.SetMessageSink(
      [&](mqd7ra::WindowHandle, uint32_t, uintptr_t, intptr_t lParam) { taken.push_back(lParam); });
  platform.messages().HoldWindow(true);
  for (intptr_t i = 0; i < 10001; ++i) platform.PostToWindow(1, 1201, 0, i);
  EXPECT_EQ(1u, platform.messages().Refused());
  EXPECT_TRUE(taken.empty());
  platform.messages().HoldWindow(false);
  ASSERT_EQ(10000u, taken.size());
  EXPECT_EQ(9999, taken.back());
  platform.PostToWindow(1, 1201, 0, 77);  // taken at once again
  EXPECT_EQ(77, taken.back());
}

uint32_t SleepOnce(void *parameter) {
  auto *platform = static_cast<testsupport::VirtualPlatform *>(parameter);
  return platform->SleepUntilWoken(100) ? 1 : 0;
}

// With the clock stopped only a wake ends the sleep; a wake that finds no
// sleeper ends the next sleep at once.
TEST_F(VirtualPlatformTest, AWakeEndsASleepThatTimeWouldNot) {
  platform.threads().StopClock(true);
  uint32_t id = 0;
  const mqd7ra::ThreadHandle sleeper = platform.CreateSuspendedThread(&SleepOnce, &platform, &id);
  platform.ResumeThread(sleeper);
  EXPECT_FALSE(platform.WaitForThread(sleeper, 20));
  platform.Wake();
  Finish(sleeper);
  platform.Wake();
  EXPECT_TRUE(platform.SleepUntilWoken(100));
  platform.threads().StopClock(false);
  EXPECT_FALSE(platform.SleepUntilWoken(1));
}

}  // namespace
}  // namespace devicetest
