#include "device_fixture.h"

namespace devicetest {
namespace {

using Bytes = std::vector<uint8_t>;

TEST_F(DeviceTest, OpenGreetsWithTheUtcDayAndStartsOneReader) {
  platform.SetUtcDay(5);
  ASSERT_EQ(XR_OK, Open());
  const auto writes = receiver.FeatureWrites();
  ASSERT_EQ(1u, writes.size());
  EXPECT_EQ((Bytes{6, 0xFE, 0xFD, 5, 0x20, 0x20, 0x20, 0x20}), writes[0].bytes);
  EXPECT_EQ(Bytes{5}, receiver.GreetingDays());
  EXPECT_EQ(2u, receiver.OpenHandles());
  EXPECT_EQ(1u, platform.threads().Created());
  EXPECT_EQ(0u, platform.InterfaceListsOpen());

  // Open again while open: nothing is scanned or sent, even for window 0.
  EXPECT_EQ(XR_OK, library.XOpen(0));
  EXPECT_EQ(1u, receiver.FeatureWrites().size());
  pendant.PressKeys(1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(kWindow, messages.Of(WM_DEVICE_INPUT)[0].window);
}

TEST_F(DeviceTest, OpenRefusesWindowZeroAndChangesNothing) {
  EXPECT_EQ(XR_BAD_WINDOW, library.XOpen(0));
  EXPECT_EQ(mqd7ra::kInvalidHandle, library.InputHandle());
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(0u, platform.threads().Created());
}

struct ProductCase {
  uint16_t productId;
  int32_t result;
  uint8_t deviceType;
};

void PrintTo(const ProductCase &c, std::ostream *os) { *os << "product " << c.productId; }

class ProductTableTest : public DeviceTest, public ::testing::WithParamInterface<ProductCase> {};

TEST_P(ProductTableTest, ProductIdChoosesTheDeviceType) {
  receiver.SetProductId(GetParam().productId);
  EXPECT_EQ(GetParam().result, Open());
  EXPECT_EQ(GetParam().deviceType, library.DeviceType());
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ProductTableTest,
    ::testing::Values(ProductCase{60303, XR_NO_DEVICE, 0}, ProductCase{60304, XR_OK, 9},
                      ProductCase{60305, XR_OK, 4}, ProductCase{60306, XR_OK, 2},
                      ProductCase{60313, XR_OK, 8}, ProductCase{60314, XR_OK, 9},
                      ProductCase{60323, XR_OK, 7}, ProductCase{65535, XR_OK, 9}),
    [](const auto &test) { return std::to_string(test.param.productId); });

// The receiver is listed after 100 interfaces of other vendors, some of
// which refuse opens or fail their attribute query, as on a busy PC. It is
// found, and no other vendor's device is opened: their IDs are in their
// paths. Those whose paths carry no IDs are opened and asked, and one whose
// attribute query fails is passed over, not the end of the scan.
TEST_F(DeviceTest, FoundBehindAHundredForeignInterfacesWithoutOpeningThem) {
  receiver.SetForeignInterfaceCount(100);
  receiver.SetForeignFaults({7, 5, 0});
  EXPECT_EQ(XR_OK, Open());
  EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());
  EXPECT_EQ(Bytes{5}, receiver.GreetingDays());
  EXPECT_EQ(0u, receiver.ForeignOpens());
  library.XClose();

  receiver.SetForeignFaults({7, 5, 3});  // 33 paths without IDs
  EXPECT_EQ(XR_OK, Open());
  EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());
  EXPECT_EQ(33u, receiver.ForeignOpens());
}

// A listing that fails part-way says nothing of the interfaces it did not
// reach: the input handle the reader is reading stays, and its reports with
// it.
TEST_F(DeviceTest, AListingCutShortReleasesNothing) {
  receiver.SetInterfacesPresent(true, false);
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  const mqd7ra::DeviceHandle input = library.InputHandle();
  platform.FailListingAt(1);
  const uint8_t command[1] = {0x0A};
  const uint8_t count = 1;
  EXPECT_EQ(XR_NO_DEVICE, library.XWritDev(command, &count));
  EXPECT_EQ(input, library.InputHandle());
  pendant.PressKeys(5);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(0u, messages.Count(WM_DEVICE_CHECK));
}

TEST_F(DeviceTest, FeatureOnlyScanKeepsTheFeatureHandle) {
  receiver.SetInterfacesPresent(false, true);
  EXPECT_EQ(XR_NO_DEVICE, Open());
  EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());
  EXPECT_TRUE(receiver.FeatureWrites().empty());
  EXPECT_EQ(0u, platform.threads().Created());
  EXPECT_EQ(XR_OK, Open());  // the feature interface is open: no scan
  EXPECT_EQ(1u, receiver.OpenHandles());
  EXPECT_EQ(-1, library.XClose());
  EXPECT_EQ(0u, receiver.OpenHandles());
}

// A feature interface that does not come within the open's short wait for it
// leaves the connection without its greeting until the next send.
TEST_F(DeviceTest, InputOnlyScanReadsWithoutGreeting) {
  receiver.SetInterfacesPresent(true, false);
  EXPECT_EQ(XR_OK, Open());
  EXPECT_TRUE(receiver.FeatureWrites().empty());
  pendant.PressKeys(7);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));

  // A later send re-opens and greets; the input handle being read is kept,
  // and the same reader goes on with it.
  const mqd7ra::DeviceHandle input = library.InputHandle();
  receiver.SetInterfacesPresent(true, true);
  const uint8_t payload[2] = {0x41, 0x42};
  uint8_t length = 2;
  EXPECT_EQ(XR_OK, library.XSendOutput(payload, &length));
  EXPECT_EQ(2u, receiver.OpenHandles());
  EXPECT_EQ(input, library.InputHandle());
  EXPECT_EQ(Bytes{5}, receiver.GreetingDays());
  pendant.PressKeys(8);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 2));
  EXPECT_EQ(8, INPUTWORD_KEY1(messages.Of(WM_DEVICE_INPUT)[1].lParam));
  EXPECT_EQ(1u, platform.threads().Created());
}

TEST_F(DeviceTest, OpenWithoutAReaderThreadClosesWhatItOpened) {
  platform.threads().FailCreation(true);
  EXPECT_EQ(XR_NO_DEVICE, Open());
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(mqd7ra::kInvalidHandle, library.InputHandle());
  platform.threads().FailCreation(false);
  EXPECT_EQ(XR_OK, Open());
}

TEST_F(DeviceTest, CloseReportsWhatItClosed) {
  EXPECT_EQ(-1, library.XClose());  // nothing open, no reader: no wait
  ASSERT_EQ(XR_OK, Open());
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(0u, receiver.OpenHandles());
  EXPECT_EQ(0u, library.ReaderId());
  EXPECT_EQ(-1, library.XClose());

  ASSERT_EQ(XR_OK, Open());  // a new reader after a close
  EXPECT_EQ(2u, platform.threads().Created());
}

// The reader is blocked in a read with no report coming: XClose cancels it,
// and the stop is not taken for a lost receiver.
TEST_F(DeviceTest, CloseEndsABlockedReaderWithoutForceOrLossMessage) {
  ASSERT_EQ(XR_OK, Open());
  pendant.PressKeys(1);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  WaitUntilReading();
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(0u, platform.threads().Terminated());
  EXPECT_EQ(0u, messages.Count(WM_DEVICE_CHECK));
  EXPECT_EQ(0u, library.ReaderId());
}

// The receiver's interfaces arrive one at a time, in either order: an open
// that finds one alone looks again, and the other arriving meanwhile gets
// the connection its greeting and its reader.
TEST_F(DeviceTest, AnOpenBetweenTheInterfacesArrivalsGreetsAndReads) {
  for (const bool inputFirst : {true, false}) {
    SCOPED_TRACE(inputFirst ? "input first" : "feature first");
    library.XClose();
    receiver.ClearLog();
    receiver.SetInterfacesPresent(inputFirst, !inputFirst);
    const uint32_t listsBefore = platform.InterfaceListsMade();
    platform.SetInterfaceListHook([&](uint32_t listsMade) {
      if (listsMade == listsBefore + 3) receiver.SetInterfacesPresent(true, true);
    });
    ASSERT_EQ(XR_OK, Open());
    EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());
    EXPECT_EQ(Bytes{5}, receiver.GreetingDays());
    EXPECT_EQ(listsBefore + 3, platform.InterfaceListsMade());
    EXPECT_EQ(2u, receiver.OpenHandles());
    EXPECT_NE(0u, library.ReaderId());
    const size_t before = messages.Count(WM_DEVICE_INPUT);
    pendant.PressKeys(3);
    ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, before + 1));
  }
}

TEST_F(DeviceTest, EveryScanCountsFromZero) {
  ASSERT_EQ(XR_OK, Open());
  LoseReceiver();
  receiver.Plug();
  // The on-demand open after a loss runs without XClose or Xinit before it
  // and still takes both interfaces.
  const uint8_t command[1] = {0x0A};
  const uint8_t count = 1;
  EXPECT_EQ(XR_OK, library.XWritDev(command, &count));
  EXPECT_NE(mqd7ra::kInvalidHandle, library.InputHandle());
  EXPECT_NE(mqd7ra::kInvalidHandle, library.FeatureHandle());
}

}  // namespace
}  // namespace devicetest
