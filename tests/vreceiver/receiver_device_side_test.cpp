// The model's side for a device that answers by itself (the Wine driver):
// what it records, and how the input reports leave it.
#include <gtest/gtest.h>

#include <thread>

#include "vreceiver/pendant.h"
#include "vreceiver/receiver.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Record(vreceiver::Receiver &receiver, const Bytes &report, bool accepted = true) {
  receiver.RecordFeatureWrite(report.data(), static_cast<uint32_t>(report.size()), accepted);
}

// The class driver refuses the 6-byte prelude, so commands reach the device
// bare: each lone report outside a frame is a command of its own, and a
// frame still ends at the next report that is no continuation of it.
TEST(ReceiverDeviceSide, CommandsWithoutPreludeAreDecodedOneReportEach) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  Record(receiver, {6, 0x0A, 0x0A, 0x16, 0, 0, 0, 0});
  Record(receiver, {6, 0xA9, 0xA9, 0x16, 0, 0, 0, 0});
  Record(receiver, {6, 0x11, 0x22, 0, 0, 0, 0, 0}, false);  // refused: logged, not decoded
  Record(receiver, {6, 0xFE, 0xFD, 7, 0x20, 0x20, 0x20, 0x20});
  ASSERT_EQ(2u, receiver.Commands().size());
  EXPECT_EQ((Bytes{0x0A, 0x0A, 0x16}), receiver.Commands()[0].bytes);
  EXPECT_EQ((Bytes{0xA9, 0xA9, 0x16}), receiver.Commands()[1].bytes);
  EXPECT_EQ(Bytes{7}, receiver.GreetingDays());
  ASSERT_EQ(4u, receiver.FeatureWrites().size());
  EXPECT_FALSE(receiver.FeatureWrites()[2].accepted);
}

TEST(ReceiverDeviceSide, InformationReportIsTheGetFeatureAnswer) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  receiver.SetInfo(vreceiver::ReceiverInfo{0x4321, -16, 40});
  int32_t handle = 0;
  for (const auto &info : receiver.ListInterfaces()) {
    if (info.featureLength == 8) handle = receiver.Open(info.path);
  }
  pendant::Report answer{};
  ASSERT_TRUE(receiver.GetFeature(handle, answer.data(), 8));
  EXPECT_EQ(answer, receiver.InfoReport());
  receiver.RecordInfoRequest();
  EXPECT_EQ(2u, receiver.InfoRequests());
}

// A taken report stays pending until it is sent, so waiting for the queue
// to drain waits for the device; none queued means a bounded wait.
TEST(ReceiverDeviceSide, TakenReportIsPendingUntilSent) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  pendant::Report report{};
  EXPECT_FALSE(receiver.TakeReport(&report, 1));
  pendant.PressKeys(5);
  ASSERT_TRUE(receiver.TakeReport(&report, 1000));
  EXPECT_EQ(5, report[2]);
  EXPECT_EQ(1u, receiver.PendingReports());
  receiver.ReportSent();
  EXPECT_EQ(0u, receiver.PendingReports());
}

TEST(ReceiverDeviceSide, ShutdownEndsAWaitingTake) {
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  bool taken = true;
  std::thread taker([&] {
    pendant::Report report{};
    taken = receiver.TakeReport(&report, 60000);
  });
  receiver.Shutdown();
  taker.join();
  EXPECT_FALSE(taken);
}

}  // namespace
