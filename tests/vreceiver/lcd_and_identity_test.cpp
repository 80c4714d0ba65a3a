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
  EXPECT_EQ(std::string(vreceiver::PendantFamily(0xEB92)).rfind("MQD7RA", 0), 0u);
  EXPECT_EQ(std::string(vreceiver::PendantFamily(0xEB91)).rfind("MQD9RA带手轮", 0), 0u);
  EXPECT_EQ(std::string(vreceiver::PendantFamily(0xEB98)).rfind("MQD9RA-LNSK", 0), 0u);
  EXPECT_EQ(std::string(vreceiver::PendantFamily(0xEB90)).rfind("vQDz", 0), 0u);
  EXPECT_EQ(std::string(vreceiver::PendantFamily(0xFFFF)).rfind("vQDz", 0), 0u);
  EXPECT_EQ(vreceiver::PendantFamily(0xEB8F), nullptr);
  EXPECT_FALSE(vreceiver::IsReceiver(0x046D, 0xEB91));
}

}  // namespace
