// Input messages: texts, wheel bar and total, receiver information, the
// automatic sends and the standard-output line.
#include "input_texts.h"
#include "monitor_fixture.h"

namespace tarvex::testing {
namespace {

TEST(InputTexts, KeysAxisAndStep) {
  EXPECT_EQ(KeysText(0, 0), "");
  EXPECT_EQ(KeysText(5, 0), "Num1:5 keypressed");
  EXPECT_EQ(KeysText(0, 9), " Num2:9 keypressed");
  EXPECT_EQ(KeysText(5, 9), "Num1:5 keypressed Num2:9 keypressed");
  EXPECT_EQ(AxisText(17), "X 轴");
  EXPECT_EQ(AxisText(22), "C 轴");
  EXPECT_EQ(AxisText(23), "7 轴");
  EXPECT_EQ(AxisText(0), "OFF Band:0");
  EXPECT_EQ(AxisText(6), "OFF Band:6");
  EXPECT_EQ(AxisText(255), "OFF Band:255");
  EXPECT_EQ(StepText(0x4D), "1xWheelOn:");
  EXPECT_EQ(StepText(0xDC), "LeadForDZWheelOn:EstopOn:");
  EXPECT_EQ(StepText(0x90), "1000xEstopOn:");
  EXPECT_EQ(StepText(0x1B), "5000x");
  EXPECT_EQ(WheelTotalText(-5), "+-5");
  EXPECT_EQ(WheelTotalText(0), "+0");
}

TEST(InputTexts, DeviceInformationForEveryFamily) {
  EXPECT_EQ(DeviceInfoText(2, 4660, -16), "MQD7RA全部按键,设备ID:4660,channel:-16");
  EXPECT_EQ(DeviceInfoText(3, 1, 2), "VQD8RA 带手轮 波段开关,LCD显示3行,设备ID:1,channel:2");
  EXPECT_EQ(DeviceInfoText(4, 1, 2), "MQD9RA带手轮 波段开关,LCD显示4行,设备ID:1,channel:2");
  EXPECT_EQ(DeviceInfoText(5, 1, 2), "VQD6RA 带手轮 波段开关,LCD显示3行,设备ID:1,channel:2");
  EXPECT_EQ(DeviceInfoText(6, 1, 2), "MQD9RA-LNSK 带手轮 波段开关,LCD显示3行,设备ID:1,channel:2");
  EXPECT_EQ(DeviceInfoText(8, 1, 2), "vQD8RA带手轮 波段开关,LCD显示3行,设备ID:1,channel:2");
  for (int type : {7, 9, 0}) {
    EXPECT_EQ(DeviceInfoText(static_cast<uint8_t>(type), 65535, 127),
              "vQDz带手轮 波段开关,LCD显示4行,设备ID:65535,channel:127");
  }
}

class InputMonitorTest : public MonitorTest {
 protected:
  void SetUp() override {
    dialog.OnInitDialog();
    binding.calls.clear();
  }
  void SetInfo(uint8_t idLow, uint8_t idHigh, uint8_t channel, uint8_t rssi, uint8_t type) {
    binding.deviceData = {6, idLow, idHigh, 0, channel, rssi, 0, type};
  }
};

TEST_F(InputMonitorTest, OneMessageFillsEveryField) {
  EXPECT_EQ(Input(0x02, INPUTWORD_MAKE(5, 0, 0xCD, 18)), 1);
  EXPECT_EQ(Text(IDC_KEY_TEXT), "Num1:5 keypressed");
  EXPECT_EQ(Text(IDC_AXIS_TEXT), "Y 轴");
  EXPECT_EQ(Text(IDC_STEP_TEXT), "1xWheelOn:EstopOn:");
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+2");
  EXPECT_EQ(out.str(), " 接收到滚轮2数据,总数据：0 \n");
}

TEST_F(InputMonitorTest, WheelByteIsASignedLowByte) {
  Input(0x7F, 0);
  EXPECT_EQ(state.wheelTotal, 127);
  dialog.OnDeviceInput(0x1FF, 0);  // bits above the low byte do not count
  EXPECT_EQ(state.wheelTotal, 126);
  Input(0x80, 0);
  EXPECT_EQ(state.wheelTotal, -2);
}

TEST_F(InputMonitorTest, TotalsAndOutputLinesFollowTheStoredPosition) {
  dialog.OnClear();
  Input(3, 0);
  Input(static_cast<uint8_t>(-8), 0);
  EXPECT_EQ(state.wheelTotal, -5);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+-5");
  EXPECT_EQ(out.str(), " 接收到滚轮3数据,总数据：0 \n 接收到滚轮-8数据,总数据：3 \n");
  EXPECT_EQ(state.wheelPosition, 0);
}

TEST_F(InputMonitorTest, BarStaysWithinItsEndsAndFollowsAtOnceOnTheWayBack) {
  Input(static_cast<uint8_t>(-5), 0);  // at 0 already: nothing moves
  EXPECT_EQ(state.wheelPosition, 0);
  EXPECT_EQ(surface.scrollPos.count(IDC_WHEEL_BAR), 0u);
  Input(127, 0);
  Input(127, 0);  // 254 is held at 200
  EXPECT_EQ(state.wheelPosition, 200);
  EXPECT_EQ(surface.scrollPos[IDC_WHEEL_BAR], 200);
  const int moves = surface.invalidated[IDC_WHEEL_BAR];
  Input(1, 0);
  EXPECT_EQ(surface.invalidated[IDC_WHEEL_BAR], moves);  // no move, no repaint
  Input(static_cast<uint8_t>(-1), 0);
  EXPECT_EQ(surface.scrollPos[IDC_WHEEL_BAR], 199);
  EXPECT_EQ(state.wheelTotal, 249);
  EXPECT_NE(out.str().find("滚轮-1数据,总数据：200 \n"), std::string::npos);
}

TEST_F(InputMonitorTest, UnknownStepCodeShowsOnlyTheFlags) {
  Input(0, INPUTWORD_MAKE(0, 0, 0x40 | 40, 17));
  Input(0, INPUTWORD_MAKE(1, 0, 0x40 | 40, 17));
  EXPECT_EQ(Text(IDC_STEP_TEXT), "WheelOn:");
  Input(0, INPUTWORD_MAKE(1, 0, 0, 17));
  EXPECT_EQ(Text(IDC_STEP_TEXT), "");
}

TEST_F(InputMonitorTest, UnchangedInputNeitherRefreshesNorSends) {
  const int before = Refreshes();
  Input(0, 0);  // the first word 0 equals the start value
  EXPECT_EQ(Refreshes(), before);
  EXPECT_EQ(binding.CallCount("XSendOutput"), 0);
  Input(1, 0);  // a delta alone counts
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(state.autoSendCount, 1);
}

TEST_F(InputMonitorTest, ThreeAutomaticSendsUntilTheReceiverIsFoundMissing) {
  for (uint8_t key = 1; key <= 4; ++key) Input(0, INPUTWORD_MAKE(key, 0, 0, 0));
  EXPECT_EQ(binding.CallCount("XSendOutput"), 3);
  EXPECT_EQ(state.autoSendCount, 3);
  dialog.OnClear();
  EXPECT_EQ(binding.CallCount("XSendOutput"), 3);

  binding.getInputResult = XR_NOT_OPEN;
  binding.openResult = XR_NO_DEVICE;
  dialog.OnDeviceCheck(0, 0);
  EXPECT_EQ(state.autoSendCount, 0);
  binding.openResult = XR_OK;
  for (uint8_t key = 5; key <= 8; ++key) Input(0, INPUTWORD_MAKE(key, 0, 0, 0));
  EXPECT_EQ(binding.CallCount("XSendOutput"), 6);
}

TEST_F(InputMonitorTest, RefreshReplacesTextsTypedAndNotReadBack) {
  surface.texts[IDC_LCD_LINE2] = "typed";
  surface.texts[IDC_RSSI_THRESHOLD] = "77";
  state.autoSendCount = 3;  // no send, so no read-back
  Input(0, 1);
  EXPECT_EQ(Text(IDC_LCD_LINE2), "2222222222222222");
  EXPECT_EQ(Text(IDC_RSSI_THRESHOLD), "40");
}

TEST_F(InputMonitorTest, ReceiverInformationOnlyWhileTicked) {
  SetInfo(0x34, 0x12, 0xF0, 40, 4);
  Input(0, 1);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 0);
  dialog.OnInfoCheck();
  EXPECT_TRUE(surface.checks[IDC_INFO_CHECK]);
  EXPECT_EQ(Text(IDC_DEVICE_INFO), "");  // nothing until the next input
  state.autoSendCount = 3;
  const int before = Refreshes();
  Input(0, 1);  // same word: only the new information changes the window
  EXPECT_EQ(binding.deviceDataKinds, std::vector<uint8_t>{2});
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(Text(IDC_DEVICE_INFO), "MQD9RA带手轮 波段开关,LCD显示4行,设备ID:4660,channel:-16");
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:40");
  Input(0, 1);  // the same report again changes nothing
  EXPECT_EQ(Refreshes(), before + 1);

  dialog.OnInfoCheck();
  EXPECT_FALSE(surface.checks[IDC_INFO_CHECK]);
  SetInfo(1, 0, 1, 99, 2);
  Input(0, 2);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 2);
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:40");  // frozen
}

TEST_F(InputMonitorTest, RssiAboveTheThresholdWarnsEqualDoesNot) {
  dialog.OnInfoCheck();
  SetInfo(1, 0, 1, 40, 4);
  Input(0, 1);
  EXPECT_EQ(Text(IDC_RF_OK_LABEL), "RF 检测正常!");
  EXPECT_TRUE(surface.shown[IDC_RF_OK_LABEL]);
  EXPECT_FALSE(surface.shown[IDC_RF_LOW_LABEL]);
  SetInfo(1, 0, 1, 41, 4);
  Input(0, 1);
  EXPECT_EQ(Text(IDC_RF_LOW_LABEL), "RF 的RSSI 低于门限!");
  EXPECT_EQ(dialog.rfLowText, "RF 的RSSI 低于门限!");
  EXPECT_FALSE(surface.shown[IDC_RF_OK_LABEL]);
  EXPECT_TRUE(surface.shown[IDC_RF_LOW_LABEL]);
}

TEST_F(InputMonitorTest, FailedInformationReadKeepsTheLastTexts) {
  dialog.OnInfoCheck();
  SetInfo(1, 0, 1, 10, 4);
  Input(0, 1);
  binding.deviceDataResult = 0;
  SetInfo(2, 0, 2, 90, 2);
  Input(0, 2);
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:10");
  EXPECT_TRUE(surface.shown[IDC_RF_OK_LABEL]);
  binding.missing = {"GetDeviceData"};
  Input(0, 3);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 2);
  EXPECT_EQ(Text(IDC_KEY_TEXT), "Num1:3 keypressed");
}

TEST_F(InputMonitorTest, ClearPutsTotalAndBarToZero) {
  Input(50, 0);
  dialog.OnClear();
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+0");
  EXPECT_EQ(surface.scrollPos[IDC_WHEEL_BAR], 0);
  EXPECT_EQ(state.wheelPosition, 0);
  EXPECT_EQ(state.lastInputWord, 0u);
}

}  // namespace
}  // namespace tarvex::testing
