// The display payload, the download button, the connection step before a
// send, and the re-pair command.
#include "display_payload.h"
#include "monitor_fixture.h"

namespace tarvex::testing {
namespace {

std::string AsText(const DisplayPayload &payload) {
  return std::string(payload.begin(), payload.end());
}

TEST(DisplayPayload, DefaultTextsDropTheTwelfthCharacterOfLineOne) {
  EXPECT_EQ(AsText(ComposeDisplayPayload("111111111111", "2222222222222222", "3333333333333333",
                                         "4444444444444444")),
            "11111111111222222222222222233333333333333334444444444444444");
}

TEST(DisplayPayload, EmptyAndShortLinesAreFilledWithSpaces) {
  EXPECT_EQ(AsText(ComposeDisplayPayload("", "", "", "")), std::string(59, ' '));
  EXPECT_EQ(AsText(ComposeDisplayPayload("ab", "", "c", "0123456789ABCDEFG")),
            "ab         " + std::string(16, ' ') + "c" + std::string(15, ' ') + "0123456789ABCDEF");
}

TEST(DisplayPayload, DoubleByteCharacterAcrossTheWidthKeepsItsFirstByte) {
  // Ten ASCII bytes, then "轴" (two bytes) would end at byte 12 of 11.
  const std::string cut = "0123456789轴";
  const std::string twoByte = "测试测试测试测试测";  // 18 bytes
  const DisplayPayload p = ComposeDisplayPayload(cut, twoByte, "a轴", "");
  EXPECT_EQ(AsText(p).substr(0, 11), "0123456789" + cut.substr(10, 1));
  EXPECT_EQ(AsText(p).substr(11, 16), "测试测试测试测试");
  EXPECT_EQ(AsText(p).substr(27, 16), "a轴" + std::string(13, ' '));
}

class SendTest : public MonitorTest {
 protected:
  void SetUp() override {
    dialog.OnInitDialog();
    binding.calls.clear();
  }
};

TEST_F(SendTest, DownloadReadsTheFieldsAndSendsFiftyNineBytes) {
  surface.texts[IDC_LCD_LINE1] = "hello";
  dialog.OnDownload();
  ASSERT_EQ(binding.payloads.size(), 1u);
  EXPECT_EQ(binding.payloadLengths[0], 59);
  EXPECT_EQ(std::string(binding.payloads[0].begin(), binding.payloads[0].begin() + 11),
            "hello      ");
  EXPECT_EQ(binding.CallCount("XOpen"), 0);  // already connected: trusted
  ASSERT_EQ(surface.posted.size(), 1u);
  EXPECT_EQ(surface.posted[0].lParam, 1);
  Pump();
  EXPECT_EQ(dialog.statusText, "Download Ok！");
}

TEST_F(SendTest, FailedSendMarksTheWindowNotConnectedSilently) {
  binding.sendOutputResult = XR_WRITE_FAILED;
  dialog.OnDownload();
  EXPECT_EQ(dialog.connected, 0);
  EXPECT_TRUE(surface.posted.empty());
  EXPECT_TRUE(surface.messages.empty());
  // The next send re-opens first and goes out in the same run.
  binding.sendOutputResult = XR_OK;
  dialog.OnDownload();
  EXPECT_EQ(binding.CallCount("XClose"), 1);
  EXPECT_EQ(binding.CallCount("XOpen"), 1);
  EXPECT_EQ(binding.payloads.size(), 2u);
  EXPECT_EQ(dialog.connected, 1);
}

TEST_F(SendTest, MissingSendExportIsSkipped) {
  binding.missing = {"XSendOutput"};
  dialog.OnDownload();
  EXPECT_EQ(binding.CallCount("lookup:XSendOutput"), 1);
  EXPECT_EQ(dialog.connected, 1);
  EXPECT_TRUE(surface.posted.empty());
  EXPECT_TRUE(surface.messages.empty());
}

TEST_F(MonitorTest, EnsureConnectedShowsLoadErrorAndTriesAgainNextTime) {
  binding.loadable = false;
  dialog.OnInitDialog();
  dialog.OnDownload();
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].first, "load DLL Error!");
  EXPECT_EQ(surface.messages[0].second, MessageIcon::kNone);
  EXPECT_EQ(binding.loadAttempts, 2);
  binding.loadable = true;
  dialog.OnDownload();
  EXPECT_EQ(binding.loadAttempts, 3);
  EXPECT_EQ(binding.payloads.size(), 1u);
  dialog.OnDownload();
  EXPECT_EQ(binding.loadAttempts, 3);  // loaded once, kept
}

TEST_F(MonitorTest, EnsureConnectedShowsOpenErrorWhenNoReceiverOpens) {
  binding.openResult = XR_NO_DEVICE;
  dialog.OnInitDialog();
  dialog.OnRepair();
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].first, "Open Device Error!");
  EXPECT_EQ(binding.CallCount("XWritDev"), 0);
  EXPECT_EQ(dialog.statusText, "请插入MQDZ 控制器！");
}

TEST_F(SendTest, RepairShowsTheOutcomeOfTheSecondCommand) {
  binding.writDevResults = {XR_WRITE_FAILED, XR_OK};
  dialog.OnRepair();
  EXPECT_EQ(binding.commands,
            (std::vector<std::vector<uint8_t>>{{0x0A, 0x0A, 0x16}, {0xA9, 0xA9, 0x16}}));
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "下载命令OK!");
  binding.writDevResults = {XR_OK, XR_NO_DEVICE};
  dialog.OnRepair();
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "下载命令失败!");
  EXPECT_EQ(dialog.connected, 1);
  EXPECT_TRUE(surface.posted.empty());
}

TEST_F(SendTest, RepairWithoutItsExportChangesNothing) {
  binding.missing = {"XWritDev"};
  surface.texts[IDC_LCD_LINE2] = "typed";
  dialog.OnRepair();
  EXPECT_EQ(Text(IDC_LCD_LINE2), "typed");  // no refresh
  EXPECT_EQ(dialog.statusText, "MQDZ控制器工作正常！");
}

}  // namespace
}  // namespace tarvex::testing
