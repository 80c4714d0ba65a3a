#include <atomic>
#include <random>
#include <thread>

#include "device_fixture.h"

namespace devicetest {
namespace {

using pendant::Report;

struct DecodeCase {
  uint16_t productId;
  Report report;
  uintptr_t wParam;
  intptr_t lParam;
  int32_t wheelSum;
};

void PrintTo(const DecodeCase &c, std::ostream *os) {
  *os << "product " << c.productId << ", wheel byte " << int{c.report[6]};
}

class DecodeTest : public DeviceTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodeTest, ReportBecomesOneMessageAndTheWheelSum) {
  const DecodeCase &c = GetParam();
  receiver.SetProductId(c.productId);
  ASSERT_EQ(XR_OK, Open());
  pendant.QueueReport(c.report);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  const Message m = messages.Of(WM_DEVICE_INPUT)[0];
  EXPECT_EQ(kWindow, m.window);
  EXPECT_EQ(c.wParam, m.wParam);
  EXPECT_EQ(c.lParam, m.lParam);

  uint32_t values[2] = {0xDEAD, 0xBEEF};
  uint8_t status = 4;
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(static_cast<uint32_t>(c.lParam), values[0]);
  EXPECT_EQ(c.wheelSum, static_cast<int32_t>(values[1]));
  EXPECT_EQ(2, status);
  // No report since: the same word, and the sum was taken.
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(static_cast<uint32_t>(c.lParam), values[0]);
  EXPECT_EQ(0u, values[1]);
}

INSTANTIATE_TEST_SUITE_P(
    Families, DecodeTest,
    ::testing::Values(DecodeCase{0xEB91, {4, 0, 5, 0, 0x0D, 0x11, 2, 0}, 2, 0x110D0005, 2},
                      DecodeCase{0xEB91, {4, 0, 5, 0, 0x0D, 0x11, 0xFE, 0}, 254, 0x110D0005, -2},
                      DecodeCase{0xEB91,
                                 {4, 9, 0x81, 0x82, 0xCD, 0xF1, 0x80, 9},
                                 128,
                                 static_cast<intptr_t>(0xF1CD8281u),
                                 -128},
                      DecodeCase{0xEB92, {4, 0, 5, 0, 0x0D, 0x11, 2, 0}, 0, 5, 0},
                      DecodeCase{0xEB91, {0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0},
                      DecodeCase{0xEB92, {0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, 0}),
    [](const auto &test) { return "Case" + std::to_string(test.index); });

// The reader adds while the caller polls: every delta shows up in exactly one
// poll, however the two interleave. The pendant sends in bursts that the
// default ring would hold, each once the reader has taken the one before.
TEST_F(DeviceTest, NoWheelDeltaIsLostWhilePolling) {
  ASSERT_EQ(XR_OK, Open());
  constexpr int kReports = 20000;
  constexpr int kBurst = 25;
  std::atomic<int64_t> sent{0};
  std::atomic<bool> senderOk{true};
  std::thread sender([&] {
    std::mt19937 random(42);
    std::uniform_int_distribution<int> delta(-128, 127);
    for (int burst = 0; burst < kReports / kBurst && senderOk; ++burst) {
      for (int i = 0; i < kBurst; ++i) {
        const int d = delta(random);
        sent += d;
        pendant.SendState(static_cast<int8_t>(d));
      }
      senderOk = messages.WaitForCount(WM_DEVICE_INPUT, static_cast<size_t>(burst + 1) * kBurst);
    }
  });
  int64_t polled = 0;
  uint32_t values[2];
  uint8_t status;
  while (messages.Count(WM_DEVICE_INPUT) < static_cast<size_t>(kReports) && senderOk) {
    ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
    polled += static_cast<int32_t>(values[1]);
    std::this_thread::yield();
  }
  sender.join();
  ASSERT_TRUE(senderOk) << "the reader stopped posting";
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  polled += static_cast<int32_t>(values[1]);
  EXPECT_EQ(sent.load(), polled);
}

TEST_F(DeviceTest, UnplugReportsOnceThenKeepsCheckingAndTheReaderResumes) {
  ASSERT_EQ(XR_OK, Open());
  pendant.TurnWheel(3);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));

  LoseReceiver();
  EXPECT_EQ(mqd7ra::kInvalidHandle, library.InputHandle());
  EXPECT_EQ(mqd7ra::kInvalidHandle, library.FeatureHandle());
  // While nothing is open the reader goes on checking, one message a pass.
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_CHECK, 4));
  for (const Message &m : messages.Of(WM_DEVICE_CHECK)) {
    EXPECT_EQ(kWindow, m.window);
    EXPECT_EQ(0u, m.wParam);
    EXPECT_EQ(0, m.lParam);
  }
  uint32_t values[2] = {11, 22};
  uint8_t status = 4;
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(values, &status));
  EXPECT_EQ(11u, values[0]);
  EXPECT_EQ(22u, values[1]);
  EXPECT_EQ(4, status);

  receiver.Plug();
  ASSERT_EQ(XR_OK, Open());
  pendant.TurnWheel(-1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 2));
  EXPECT_EQ(1u, platform.threads().Created());
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(0xFFFFFFFFu, values[1]);  // the sum was zeroed while not open
}

TEST_F(DeviceTest, PollAfterCloseZeroesTheInput) {
  ASSERT_EQ(XR_OK, Open());
  pendant.PressKeys(9);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  library.XClose();
  uint32_t values[2] = {1, 2};
  uint8_t status = 4;
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(values, &status));
  EXPECT_EQ(1u, values[0]);
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(nullptr, &status));
  EXPECT_EQ(XR_NOT_OPEN, library.XGetInput(values, nullptr));

  ASSERT_EQ(XR_OK, Open());
  ASSERT_EQ(XR_OK, library.XGetInput(values, &status));
  EXPECT_EQ(0u, values[0]);
}

}  // namespace
}  // namespace devicetest
