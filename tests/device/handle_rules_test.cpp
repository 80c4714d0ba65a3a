// The library under Windows' rules for synchronous handles: a close waits for
// a read pending on the handle, a cancel reaches only a read already begun
// and may take effect late or never, and a closed handle value is handed out
// again at once. The fixture's teardown checks every test against them;
// these tests go where the rules bite.
#include "device_fixture.h"

namespace devicetest {
namespace {

using testsupport::CancelMode;

// The reader has taken the input handle but not yet begun its read (where no
// cancel reaches it) when the caller's thread takes the handle away: here a
// re-open whose scan cannot read the input interface's entry in the list,
// but opens the feature interface. The value must stay the reader's until it
// is done with it: were it closed, the scan's open would get the same value,
// and the reader would read that device.
TEST_F(DeviceTest, AHandleValueStaysTheReadersUntilItsReadIsOver) {
  receiver.SetInterfacesPresent(true, false);
  platform.hid().HoldReads(true);
  ASSERT_EQ(XR_OK, Open());
  ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().HeldReads() == 1; }, kWaitMs));

  platform.SetUnreadableDetail("mi_00");
  receiver.SetInterfacesPresent(true, true);
  const uint8_t payload[2] = {0x41, 0x42};
  uint8_t length = 2;
  EXPECT_EQ(XR_NO_DEVICE, library.XSendOutput(payload, &length));
  EXPECT_EQ(mqd7ra::kInvalidHandle, library.InputHandle());

  platform.hid().HoldReads(false);
  WaitUntilReading();
  EXPECT_EQ(0u, platform.Counters().strayReads);
  // A report ends that read; the reader posts it and closes the old handle.
  // The feature handle stays, as after any scan that found it alone.
  pendant.PressKeys(6);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 1; }, kWaitMs));
  EXPECT_EQ(6, INPUTWORD_KEY1(messages.Of(WM_DEVICE_INPUT)[0].lParam));
}

// A handle taken away while its read is pending, its cancel not yet taken
// effect, and then found again by a later scan is taken back rather than a
// second one opened. When the late cancel does take effect, that is the
// library's own cancel, not a lost receiver: the reader reads on.
TEST_F(DeviceTest, AHandleFoundAgainIsTakenBackAndItsLateCancelIsNoLoss) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  const mqd7ra::DeviceHandle input = library.InputHandle();
  platform.hid().SetCancelMode(CancelMode::kHeld);

  platform.SetUnreadableDetail("mi_00");  // the input interface out of reach
  const uint8_t command[1] = {0x0A};
  const uint8_t count = 1;
  EXPECT_EQ(XR_NO_DEVICE, library.XWritDev(command, &count));
  EXPECT_EQ(1u, platform.hid().PendingReads());  // the cancel is held

  platform.SetUnreadableDetail("");
  receiver.SetInterfacesPresent(true, true);
  EXPECT_EQ(XR_OK, library.XWritDev(command, &count));
  EXPECT_EQ(input, library.InputHandle());
  EXPECT_EQ(2u, receiver.OpenHandles());

  platform.hid().SetCancelMode(CancelMode::kPrompt);  // the held cancel takes effect
  WaitUntilReading();
  pendant.PressKeys(4);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(0u, messages.Count(WM_DEVICE_CHECK));
  EXPECT_EQ(input, library.InputHandle());
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
  EXPECT_EQ(2u, platform.threads().Created());
  WaitUntilReading();
  pendant.PressKeys(1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(1u, messages.Count(WM_DEVICE_INPUT));
}

}  // namespace
}  // namespace devicetest
