// The library under the HID class driver's queues: every open handle gets its
// own copy of each input report, in a ring that drops the oldest, and
// nothing is kept for a handle opened later; the window's thread takes at
// most 10,000 waiting messages. No report may be posted twice or lost across
// a re-open, nor lost to a reader that falls behind for a moment.
#include "device_fixture.h"

namespace devicetest {
namespace {

using testsupport::CancelMode;

// The first key of every input message posted so far, in order.
std::vector<int> PostedKeys(const MessageLog &messages) {
  std::vector<int> keys;
  for (const Message &m : messages.Of(WM_DEVICE_INPUT)) keys.push_back(INPUTWORD_KEY1(m.lParam));
  return keys;
}

std::vector<int> KeysFrom1To(int last) {
  std::vector<int> keys;
  for (int key = 1; key <= last; ++key) keys.push_back(key);
  return keys;
}

class ReportQueueTest : public DeviceTest {
 protected:
  // Lets the reader post the report it is reading, then holds it before its
  // next read begins: reports sent from now on wait in its handle's ring.
  void StallReaderAfterOneReport() {
    WaitUntilReading();
    platform.hid().HoldReads(true);
    pendant.PressKeys(1);
    ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().HeldReads() == 1; }, kWaitMs));
  }
  void SendKeys(int from, int to) {
    for (int key = from; key <= to; ++key) pendant.PressKeys(static_cast<uint8_t>(key));
    WaitDelivered();
  }
  int32_t SendText() {
    const uint8_t payload[2] = {0x41, 0x42};
    uint8_t length = 2;
    return library.XSendOutput(payload, &length);
  }
};

// Each send re-opens on demand while the feature interface is missing. A
// re-open that finds the receiver's input interface again keeps the handle
// the reader reads: what waits in its ring is neither dropped with a closed
// handle nor missed by a new one.
TEST_F(ReportQueueTest, AReopenThatFindsTheReceiverAgainLosesNoReport) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  const mqd7ra::DeviceHandle input = library.InputHandle();
  StallReaderAfterOneReport();
  SendKeys(2, 10);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(XR_NO_DEVICE, SendText());
  platform.hid().HoldReads(false);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 10));

  receiver.SetInterfacesPresent(true, true);
  EXPECT_EQ(XR_OK, SendText());
  EXPECT_EQ(std::vector<uint8_t>{5}, receiver.GreetingDays());
  SendKeys(11, 12);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 12));
  EXPECT_EQ(KeysFrom1To(12), PostedKeys(messages));
  EXPECT_EQ(input, library.InputHandle());
  EXPECT_EQ(0u, messages.Count(WM_DEVICE_CHECK));
  EXPECT_EQ(2u, receiver.OpenHandles());
}

// The read on the input handle ignores cancels. A re-open that opened a
// second handle on the same interface beside it would have each report in
// both rings, and the reader would post it from each.
TEST_F(ReportQueueTest, AReportComesOnceThoughTheReadIgnoresCancels) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.hid().SetCancelMode(CancelMode::kIgnored);
  receiver.SetInterfacesPresent(true, true);
  const uint8_t command[3] = {0x0A, 0x0A, 0x16};
  const uint8_t count = 3;
  EXPECT_EQ(XR_OK, library.XWritDev(command, &count));
  EXPECT_EQ(2u, receiver.OpenHandles());

  SendKeys(1, 2);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 2));
  platform.hid().SetCancelMode(CancelMode::kPrompt);
  SendKeys(3, 3);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 3));
  EXPECT_EQ(KeysFrom1To(3), PostedKeys(messages));
}

// A reader that lost the receiver reads as soon as an open brings a handle,
// not at the end of its 100 ms pass (the clock stands still here, so the
// pass never ends by time).
TEST_F(ReportQueueTest, AReaderWithoutAHandleReadsAsSoonAsOneIsOpened) {
  ASSERT_EQ(XR_OK, Open());
  LoseReceiver();
  platform.threads().StopClock(true);
  receiver.Plug();
  ASSERT_EQ(XR_OK, Open());
  pendant.PressKeys(3);
  EXPECT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  platform.threads().StopClock(false);
}

// An open that found the input interface alone waits up to a second for the
// feature interface: 600 reports at the USB rate, more than the input
// handle's ring holds. The reader reads them meanwhile.
TEST_F(ReportQueueTest, ReportsSentWhileTheOpenWaitsForTheFeatureInterfaceComeThrough) {
  receiver.SetInterfacesPresent(true, false);
  bool allPosted = false;
  platform.SetInterfaceListHook([&](uint32_t listsMade) {
    if (listsMade != 2) return;
    allPosted = true;
    for (int burst = 0; burst < 6 && allPosted; ++burst) {
      for (int i = 0; i < 100; ++i) pendant.SendState(1);
      allPosted = messages.WaitForCount(WM_DEVICE_INPUT, (burst + 1) * 100u);
    }
  });
  ASSERT_EQ(XR_OK, Open());
  EXPECT_TRUE(allPosted);
  EXPECT_EQ(600u, messages.Count(WM_DEVICE_INPUT));
  uint32_t values[2] = {};
  uint8_t status = 4;
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(600u, values[1]);
}

// A reader kept from its reads for 100 reports (100 ms at the USB rate)
// loses none of them: the input handle's ring holds 512.
TEST_F(ReportQueueTest, AReaderStalledForAHundredReportsLosesNone) {
  ASSERT_EQ(XR_OK, Open());
  StallReaderAfterOneReport();
  SendKeys(2, 101);
  platform.hid().HoldReads(false);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 101));
  EXPECT_EQ(KeysFrom1To(101), PostedKeys(messages));
  EXPECT_EQ(0u, platform.Counters().reportsDropped);
}

// The window's thread takes no messages for a while: beyond 10,000 waiting
// ones the input messages are refused and lost, but the wheel sum that
// XGetInput hands out still counts every report.
TEST_F(ReportQueueTest, AtThePostLimitMessagesAreLostButTheWheelSumIsExact) {
  constexpr uint32_t kReports = 10100;
  constexpr uint32_t kBatch = 25;  // within the default ring
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.messages().HoldWindow(true);
  for (uint32_t sent = 0; sent < kReports; sent += kBatch) {
    for (uint32_t i = 0; i < kBatch; ++i) pendant.SendState(1);
    ASSERT_TRUE(receiver.WaitFor(
        [&] {
          return platform.messages().Waiting() + platform.messages().Refused() == sent + kBatch;
        },
        kWaitMs));
  }
  EXPECT_EQ(kReports - 10000, platform.messages().Refused());
  uint32_t values[2] = {};
  uint8_t status = 4;
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(kReports, values[1]);
  platform.messages().HoldWindow(false);
  EXPECT_EQ(10000u, messages.Count(WM_DEVICE_INPUT));
}

}  // namespace
}  // namespace devicetest
