// The receiver's log of feature reports for a person (the pendant window):
// what each report was taken for, in arrival order, and the change count a
// window waits on.
#include <thread>

#include "device_fixture.h"

namespace devicetest {
namespace {

using vreceiver::FeatureKind;

std::vector<FeatureKind> Kinds(const std::vector<vreceiver::FeatureEvent> &events) {
  std::vector<FeatureKind> kinds;
  for (const auto &event : events) kinds.push_back(event.kind);
  return kinds;
}

TEST_F(DeviceTest, EveryFeatureReportIsLoggedAsWhatItWas) {
  ASSERT_EQ(XR_OK, Open());
  const uint8_t text[59] = {'A', 'B'};
  uint8_t length = 59;
  ASSERT_EQ(XR_OK, library.XSendOutput(text, &length));
  const uint8_t command[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const uint8_t count = 9;
  ASSERT_EQ(XR_OK, library.XWritDev(command, &count));
  uint8_t info[8] = {};
  ASSERT_EQ(1, library.GetDeviceData(info, 2));
  receiver.RefuseFeatureReads(true);
  EXPECT_EQ(0, library.GetDeviceData(info, 2));
  receiver.RefuseFeatureWrites(1);
  length = 59;  // the first send wrote the frame length back
  EXPECT_EQ(XR_WRITE_FAILED, library.XSendOutput(text, &length));

  const std::vector<FeatureKind> frame(9, FeatureKind::kFrame);
  std::vector<FeatureKind> want = {FeatureKind::kGreeting};
  want.insert(want.end(), frame.begin(), frame.end());
  // The class driver refuses the 6-byte command prelude, so it never
  // reaches the receiver: the command's two reports come alone.
  want.insert(want.end(), {FeatureKind::kCommand, FeatureKind::kCommand, FeatureKind::kInformation,
                           FeatureKind::kInformation, FeatureKind::kStray});
  const std::vector<vreceiver::FeatureEvent> events = receiver.FeatureEvents();
  EXPECT_EQ(want, Kinds(events));
  ASSERT_EQ(want.size(), receiver.FeatureEventCount());
  // The answer is logged as the host got it, before the library's byte 7.
  const auto &answer = events[events.size() - 3];
  EXPECT_EQ((std::vector<uint8_t>{6, 0x34, 0x12, 1, 5, 30, 0, 0xA5}), answer.bytes);
  EXPECT_TRUE(events[events.size() - 2].bytes.empty());
  EXPECT_FALSE(events[events.size() - 2].accepted);
  EXPECT_FALSE(events.back().accepted);
  for (size_t i = 1; i < events.size(); ++i) EXPECT_LE(events[i - 1].timeMs, events[i].timeMs);

  // Reading on from an index gives the rest; a clear empties the log.
  EXPECT_EQ(3u, receiver.FeatureEvents(want.size() - 3).size());
  EXPECT_TRUE(receiver.FeatureEvents(want.size() + 5).empty());
  receiver.ClearLog();
  EXPECT_EQ(0u, receiver.FeatureEventCount());
}

// A window waits for the next change instead of polling: every change of
// what it shows wakes it, also those that send no report (unplugged).
TEST_F(DeviceTest, ChangesWakeAWatcher) {
  uint64_t seen = receiver.WaitForChange(0, 0);
  const auto changes = [&](const std::function<void()> &change) {
    change();
    const uint64_t now = receiver.WaitForChange(seen, kWaitMs);
    const bool woke = now != seen;
    seen = now;
    return woke;
  };
  EXPECT_TRUE(changes([&] { receiver.SetInfo({1, 2, 3}); }));
  EXPECT_TRUE(changes([&] { receiver.ClearLog(); }));
  receiver.Unplug();
  seen = receiver.WaitForChange(seen, 0);
  EXPECT_TRUE(changes([&] { pendant.SetAxis(20); }));
  EXPECT_TRUE(changes([&] { pendant.TurnWheel(300); }));
  EXPECT_EQ(0u, receiver.PendingReports());
  EXPECT_EQ(20, pendant.Now().axisCode);
  EXPECT_EQ(300, pendant.Now().wheelDetents);
  pendant.TurnWheel(-301);
  EXPECT_EQ(-1, pendant.Now().wheelDetents);

  // A change on another thread ends a wait in progress.
  std::thread other([&] { pendant.SetStep(16); });
  EXPECT_NE(seen, receiver.WaitForChange(seen, kWaitMs));
  other.join();
  EXPECT_EQ(16, pendant.Now().stepCode);
}

}  // namespace
}  // namespace devicetest
