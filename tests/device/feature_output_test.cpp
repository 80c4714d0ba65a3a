#include <numeric>
#include <thread>

#include "device_fixture.h"

namespace devicetest {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Payload(size_t length) {
  Bytes payload(length);
  std::iota(payload.begin(), payload.end(), uint8_t{0x30});
  return payload;
}

std::vector<Bytes> Written(const vreceiver::Receiver &receiver) {
  std::vector<Bytes> written;
  for (const auto &w : receiver.FeatureWrites()) written.push_back(w.bytes);
  return written;
}

struct FrameCase {
  size_t payloadLength;
  std::vector<Bytes> reports;  // expected, for payload bytes 0x30, 0x31, ...
};

void PrintTo(const FrameCase &c, std::ostream *os) { *os << c.payloadLength << "-byte payload"; }

class FrameTest : public DeviceTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTest, PayloadIsFramedSevenBytesPerReport) {
  OpenAndSettle();
  Bytes payload = Payload(GetParam().payloadLength);
  uint8_t length = static_cast<uint8_t>(payload.size());
  payload.reserve(1);  // a real buffer even when empty
  ASSERT_EQ(XR_OK, library.XSendOutput(payload.data(), &length));
  EXPECT_EQ(payload.size() + 3, length);
  EXPECT_EQ(GetParam().reports, Written(receiver));
  const auto texts = receiver.DisplayTexts();
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ(5, texts[0].day);
  EXPECT_EQ(payload, texts[0].payload);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FrameTest,
    ::testing::Values(
        FrameCase{0, {{6, 0xFE, 0xFD, 5, 0, 0, 0, 0}}},
        FrameCase{2, {{6, 0xFE, 0xFD, 5, 0x30, 0x31, 0, 0}}},
        FrameCase{4, {{6, 0xFE, 0xFD, 5, 0x30, 0x31, 0x32, 0x33}}},
        FrameCase{5, {{6, 0xFE, 0xFD, 5, 0x30, 0x31, 0x32, 0x33}, {6, 0x34, 0, 0, 0, 0, 0, 0}}}),
    [](const auto &test) { return "Payload" + std::to_string(test.param.payloadLength); });

TEST_F(DeviceTest, LcdTextGoesOutInNineReports) {
  OpenAndSettle();
  const std::string text =
      std::string("11111111111") + "2222222222222222" + "3333333333333333" + "44444444444444 4";
  ASSERT_EQ(59u, text.size());
  uint8_t length = 59;
  ASSERT_EQ(XR_OK, library.XSendOutput(reinterpret_cast<const uint8_t *>(text.data()), &length));
  EXPECT_EQ(62, length);
  const auto written = Written(receiver);
  ASSERT_EQ(9u, written.size());
  EXPECT_EQ((Bytes{6, '4', '4', '4', '4', ' ', '4', 0}), written[8]);
  const auto texts = receiver.DisplayTexts();
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ((std::vector<std::string>{"11111111111", "2222222222222222", "3333333333333333",
                                      "44444444444444 4"}),
            texts[0].lines);
}

TEST_F(DeviceTest, RefusedReportEndsTheSend) {
  OpenAndSettle();
  const Bytes payload = Payload(20);  // 23-byte frame: four reports
  uint8_t length = 20;
  receiver.RefuseFeatureWrites(1, 2);
  EXPECT_EQ(XR_WRITE_FAILED, library.XSendOutput(payload.data(), &length));
  EXPECT_EQ(23, length);  // written back before the first report
  const auto writes = receiver.FeatureWrites();
  ASSERT_EQ(3u, writes.size());
  EXPECT_TRUE(writes[1].accepted);
  EXPECT_FALSE(writes[2].accepted);
}

TEST_F(DeviceTest, OversizedPayloadIsRefusedUnsent) {
  OpenAndSettle();
  const Bytes payload = Payload(62);
  uint8_t length = 62;
  EXPECT_EQ(XR_WRITE_FAILED, library.XSendOutput(payload.data(), &length));
  EXPECT_EQ(62, length);
  EXPECT_TRUE(receiver.FeatureWrites().empty());

  const Bytes largest = Payload(61);  // the largest frame: ten reports
  length = 61;
  EXPECT_EQ(XR_OK, library.XSendOutput(largest.data(), &length));
  EXPECT_EQ(64, length);
  EXPECT_EQ(10u, receiver.FeatureWrites().size());
}

TEST_F(DeviceTest, NullArgumentsAreRefused) {
  OpenAndSettle();
  uint8_t length = 2;
  const uint8_t bytes[2] = {1, 2};
  EXPECT_EQ(XR_WRITE_FAILED, library.XSendOutput(nullptr, &length));
  EXPECT_EQ(XR_WRITE_FAILED, library.XSendOutput(bytes, nullptr));
  EXPECT_EQ(XR_WRITE_FAILED, library.XWritDev(nullptr, &length));
  EXPECT_EQ(XR_WRITE_FAILED, library.XWritDev(bytes, nullptr));
  EXPECT_EQ(0, library.GetDeviceData(nullptr, 2));
  EXPECT_EQ(2, length);
  EXPECT_TRUE(receiver.FeatureWrites().empty());
}

// The 6-byte prelude is shorter than the interface's 8-byte feature report,
// so the class driver refuses it and only the command reaches the receiver;
// the prelude's result does not count.
TEST_F(DeviceTest, CommandFollowsItsRefusedPrelude) {
  OpenAndSettle();
  const uint8_t command[3] = {0x0A, 0x0A, 0x16};
  const uint8_t count = 3;
  EXPECT_EQ(XR_OK, library.XWritDev(command, &count));
  EXPECT_EQ(1u, platform.Counters().refusedFeatureBuffers);
  EXPECT_EQ((std::vector<Bytes>{{6, 0x0A, 0x0A, 0x16, 0, 0, 0, 0}}), Written(receiver));
  ASSERT_EQ(1u, receiver.Commands().size());
  EXPECT_EQ((Bytes{0x0A, 0x0A, 0x16}), receiver.Commands()[0].bytes);

  // A count of 0 sends the prelude alone.
  receiver.ClearLog();
  const uint8_t none = 0;
  EXPECT_EQ(XR_OK, library.XWritDev(command, &none));
  EXPECT_EQ(2u, platform.Counters().refusedFeatureBuffers);
  EXPECT_TRUE(Written(receiver).empty());
}

TEST_F(DeviceTest, DeviceDataCarriesTheDeviceType) {
  receiver.SetProductId(0xEB99);
  receiver.SetInfo({0xBEEF, -3, 200});
  OpenAndSettle();
  uint8_t buffer[8] = {};
  EXPECT_EQ(0, library.GetDeviceData(buffer, 0));
  EXPECT_EQ(0u, receiver.InfoRequests());
  ASSERT_EQ(1, library.GetDeviceData(buffer, 2));
  EXPECT_EQ(6, buffer[0]);
  EXPECT_EQ(0xEF, buffer[1]);
  EXPECT_EQ(0xBE, buffer[2]);
  EXPECT_EQ(0xFD, buffer[4]);
  EXPECT_EQ(200, buffer[5]);
  EXPECT_EQ(8, buffer[7]);
  receiver.RefuseFeatureReads(true);
  EXPECT_EQ(0, library.GetDeviceData(buffer, 2));
}

TEST_F(DeviceTest, AfterALossOnlyTheSendersReopen) {
  OpenAndSettle();
  LoseReceiver();
  uint8_t buffer[8] = {};
  EXPECT_EQ(0, library.GetDeviceData(buffer, 2));
  const Bytes payload = Payload(2);
  uint8_t length = 2;
  EXPECT_EQ(XR_NO_DEVICE, library.XSendOutput(payload.data(), &length));
  EXPECT_EQ(2, length);
  EXPECT_EQ(0u, receiver.OpenHandles());

  receiver.Plug();
  EXPECT_EQ(0, library.GetDeviceData(buffer, 2));  // no re-open here
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(XR_OK, library.XSendOutput(payload.data(), &length));
  EXPECT_EQ(Bytes{5}, receiver.GreetingDays());  // greeted before the frame
  EXPECT_EQ(1u, receiver.DisplayTexts().size());
  EXPECT_EQ(1u, platform.threads().Created());
}

// Sends race the reader closing the handles on a loss; under the handle lock
// no request meets a handle being closed (ThreadSanitizer watches this).
TEST_F(DeviceTest, SendsWhileTheReceiverIsLostStayConsistent) {
  OpenAndSettle();
  const Bytes payload = Payload(59);
  for (int round = 0; round < 20; ++round) {
    receiver.Plug();
    std::thread unplug([&] { receiver.Unplug(); });
    for (int i = 0; i < 5; ++i) {
      uint8_t length = 59;
      const int32_t result = library.XSendOutput(payload.data(), &length);
      EXPECT_TRUE(result == XR_OK || result == XR_WRITE_FAILED || result == XR_NO_DEVICE);
    }
    unplug.join();
  }
  library.XClose();
  EXPECT_EQ(0u, receiver.OpenHandles());
}

}  // namespace
}  // namespace devicetest
