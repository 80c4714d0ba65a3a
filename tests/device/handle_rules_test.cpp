// The library under Windows' rules for synchronous handles: a close waits for
// a read pending on the handle, a cancel reaches only a read already begun,
// and a closed handle value is handed out again at once. The fixture's
// teardown checks every test against them; these tests go where the rules bite.
// Wine is kinder here: through the receiver process's named pipes a close
// goes ahead under a pending read, so these faults show only on Windows and
// on the virtual platform.
#include "device_fixture.h"

namespace devicetest {
namespace {

using Bytes = std::vector<uint8_t>;

// After a scan that found only the input interface, the next send re-opens.
// The reader sits in its read with no report coming: the caller's thread must
// not close that handle under it (the close would wait for the next report,
// for ever with an idle pendant), and the send must not wait for the pendant.
TEST_F(DeviceTest, ReopenAfterAnInputOnlyScanLeavesTheReadHandleToTheReader) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();

  receiver.SetInterfacesPresent(true, true);
  const uint8_t payload[2] = {0x41, 0x42};
  uint8_t length = 2;
  EXPECT_EQ(XR_OK, library.XSendOutput(payload, &length));
  EXPECT_EQ(0u, platform.Counters().closesThatWaited);
  EXPECT_EQ(Bytes{5}, receiver.GreetingDays());
  EXPECT_EQ(1u, receiver.DisplayTexts().size());

  // The reader let go of the old handle and reads the new one.
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 2; }, kWaitMs));
  receiver.PressKeys(4);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(4, INPUTWORD_KEY1(messages.Of(WM_DEVICE_INPUT)[0].lParam));
  EXPECT_EQ(1u, platform.ThreadsCreated());
}

// The reader has taken the input handle but not yet begun its read (where no
// cancel reaches it) when the caller's thread takes the handle away. The
// value must stay the reader's until it is done with it: were it closed, the
// next open anywhere in the process (here the scan's) would get the same
// value, and the reader would read that device.
TEST_F(DeviceTest, AHandleValueStaysTheReadersUntilItsReadIsOver) {
  receiver.SetInterfacesPresent(true, false);
  platform.HoldReads(true);
  ASSERT_EQ(XR_OK, Open());
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.HeldReads() == 1; }, kWaitMs));

  // Now only the feature interface is listed: the re-open's scan takes it.
  receiver.SetInterfacesPresent(false, true);
  const uint8_t payload[2] = {0x41, 0x42};
  uint8_t length = 2;
  EXPECT_EQ(XR_NO_DEVICE, library.XSendOutput(payload, &length));
  EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());

  platform.HoldReads(false);
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.BlockedReads() == 1; }, kWaitMs));
  EXPECT_EQ(0u, platform.Counters().strayReads);
  // A report ends that read; the reader posts it and closes the old handle.
  receiver.PressKeys(6);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 1; }, kWaitMs));
}

// A driver that ignores cancels: the re-open does not wait for the read; the
// superseded handle stays open until the read returns, then the reader
// closes it.
TEST_F(DeviceTest, AnUncancellableReadKeepsItsHandleUntilItReturns) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  receiver.SetCancelIgnored(true);
  receiver.SetInterfacesPresent(true, true);
  const uint8_t command[3] = {0x0A, 0x0A, 0x16};
  const uint8_t count = 3;
  EXPECT_EQ(XR_OK, library.XWritDev(command, &count));
  EXPECT_EQ(3u, receiver.OpenHandles());  // the new pair and the one being read

  receiver.ReleaseKeys();  // ends the old read with a report
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 2; }, kWaitMs));
  receiver.SetCancelIgnored(false);
  receiver.PressKeys(2);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 2));
}

// Xinit called again while open closes what was open and ends the reader:
// otherwise both handles would leak and the next open would start a second
// reader beside the first.
TEST_F(DeviceTest, XinitAgainWhileOpenLeavesOneReaderAndNoHandles) {
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  EXPECT_EQ(XR_OK, library.Xinit());
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(0u, library.ReaderId());
  ASSERT_EQ(XR_OK, Open());
  EXPECT_EQ(2u, platform.ThreadsCreated());
  EXPECT_TRUE(receiver.WaitFor([&] { return receiver.BlockedReads() == 1; }, kWaitMs));
  receiver.PressKeys(1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(1u, messages.Count(WM_DEVICE_INPUT));
}

}  // namespace
}  // namespace devicetest
