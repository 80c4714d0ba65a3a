// The receiver's own tables: how a payload fills the LCD's lines, and which
// pendant family a product ID names.
#include <gtest/gtest.h>

#include "vreceiver/receiver.h"

namespace {

std::vector<uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

TEST(LcdLines, APayloadFillsElevenThenSixteenByteLines) {
  const std::string payload =
      "11111111111" + std::string(16, '2') + std::string(16, '3') + std::string(16, '4');
  EXPECT_EQ(vreceiver::LcdLines(Bytes(payload)),
            (std::vector<std::string>{"11111111111", std::string(16, '2'), std::string(16, '3'),
                                      std::string(16, '4')}));
  // A short payload (another caller than Tarvex) fills what it reaches.
  EXPECT_EQ(vreceiver::LcdLines(Bytes("Hello, world!")),
            (std::vector<std::string>{"Hello, worl", "d!", "", ""}));
  // Bytes past the 59 the display holds are not shown.
  EXPECT_EQ(vreceiver::LcdLines(Bytes(payload + "xx"))[3], std::string(16, '4'));
}

TEST(PendantFamily, EveryIdFromEb90UpNamesAFamily) {
  EXPECT_EQ(std::string(pendant::PendantFamily(0xEB92)).rfind("MQD7RA", 0), 0u);
  EXPECT_EQ(std::string(pendant::PendantFamily(0xEB91)).rfind("MQD9RA带手轮", 0), 0u);
  EXPECT_EQ(std::string(pendant::PendantFamily(0xEB98)).rfind("MQD9RA-LNSK", 0), 0u);
  EXPECT_EQ(std::string(pendant::PendantFamily(0xEB90)).rfind("vQDz", 0), 0u);
  EXPECT_EQ(std::string(pendant::PendantFamily(0xFFFF)).rfind("vQDz", 0), 0u);
  EXPECT_EQ(pendant::PendantFamily(0xEB8F), nullptr);
  EXPECT_FALSE(pendant::IsReceiver(0x046D, 0xEB91));
}

// Each product ID keeps its release; new strings or a new release make
// another device (its handles end); the foreign devices are others.
TEST(DeviceIdentity, ReleasePerProductAndAChangeIsAnotherDevice) {
  vreceiver::Receiver receiver;
  const pendant::InterfaceInfo input = receiver.ListInterfaces()[2];
  EXPECT_EQ(input.identity.release, 0x0101);
  EXPECT_EQ(input.identity.serial, "VIRTUAL-0001");
  EXPECT_NE(input.path.find("hid#vid_10ce&pid_eb91&mi_00#7&"), std::string::npos);
  EXPECT_NE(receiver.ListInterfaces()[0].identity.serial,
            receiver.ListInterfaces()[1].identity.serial);
  const int32_t handle = receiver.Open(input.path);
  receiver.SetRelease(0x0123);
  EXPECT_FALSE(receiver.IsLive(handle));
  receiver.SetProductId(0xEB92);
  EXPECT_EQ(receiver.Identity().release, 0x0102);
  receiver.SetProductId(0xEB91);
  EXPECT_EQ(receiver.Identity().release, 0x0123);
  const int32_t again = receiver.Open(receiver.ListInterfaces()[3].path);
  receiver.SetStrings("M", "P", "S");
  EXPECT_FALSE(receiver.IsLive(again));
  EXPECT_EQ(receiver.ListInterfaces()[3].identity.product, "P");
}

}  // namespace
