// The reader when the stack or the reader itself misbehaves: a read that
// ignores cancels at a forced stop, reads that fail as aborted without a
// cancel, an exception inside the reader. None may hang the caller, spin, or
// leave the library claiming a reader it no longer has.
#include "device_fixture.h"

namespace devicetest {
namespace {

using testsupport::CancelMode;

// Ending the reader by force does not end a read that ignores cancels: the
// thread stays in it, and the handle stays busy, until the next report.
// Closing that handle would hang the caller's thread until then, so XClose
// leaves it to the ended thread, and a later call closes it once that
// thread is gone. The report that ends the old read comes once, through
// the new reader's own handle.
TEST_F(DeviceTest, AForcedStopLeavesAnUncancellableReadItsHandle) {
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.hid().SetCancelMode(CancelMode::kIgnored);
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(1u, platform.threads().Terminated());
  EXPECT_EQ(0u, platform.Counters().closesThatWaited);
  EXPECT_EQ(0u, library.ReaderId());
  EXPECT_EQ(1u, receiver.OpenHandles());  // the ended thread's read holds it

  platform.hid().SetCancelMode(CancelMode::kPrompt);
  ASSERT_EQ(XR_OK, Open());
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().PendingReads() == 2; }, kWaitMs));
  pendant.PressKeys(3);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  WaitUntilReading();
  // The old read took its copy; its thread ends after that on its own time,
  // in no order with the new reader's next read.
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.threads().Alive() == 1; }, kWaitMs));
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(1u, messages.Count(WM_DEVICE_INPUT));
}

// A stack whose reads all fail as aborted, though the library asked for no
// cancel, has lost the receiver: the reader reports it once and then checks
// every 100 ms, instead of reading again at full speed for ever.
TEST_F(DeviceTest, AReadAbortedWithoutACancelIsALoss) {
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.hid().FailReadsWithAbort(true);
  pendant.PressKeys(1);  // ends the read in progress; every later one aborts
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_CHECK, 1));
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 0; }, kWaitMs));
  uint32_t values[2] = {};
  uint8_t status = 4;
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(values, &status));
  platform.hid().FailReadsWithAbort(false);
}

// Something in the reader throws outside a read: the thread ends, and with
// it the connection, as at a loss. The window is told, nothing is left open,
// and the next open starts a new reader.
TEST_F(DeviceTest, AnExceptionInTheReaderLeavesNothingBehind) {
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.hid().ThrowFromNextRead();
  pendant.PressKeys(1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_CHECK, 1));
  ASSERT_TRUE(receiver.WaitFor([&] { return library.ReaderId() == 0; }, kWaitMs));
  EXPECT_EQ(0u, receiver.OpenHandles());
  uint32_t values[2] = {};
  uint8_t status = 4;
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(values, &status));

  ASSERT_EQ(XR_OK, Open());
  EXPECT_EQ(2u, platform.threads().Created());
  WaitUntilReading();
  pendant.PressKeys(2);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 2));
}

}  // namespace
}  // namespace devicetest
