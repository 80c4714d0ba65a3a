// Start-up, system menu, default OK/Cancel, read-back and teardown.
#include "monitor_fixture.h"

namespace tarvex::testing {
namespace {

const char kNoReceiver[] = "请插入MQDZ 控制器！";

TEST_F(MonitorTest, WithoutTheLibraryTheWindowOpensSilentlyAndCallsNothing) {
  binding.loadable = false;
  dialog.OnInitDialog();
  EXPECT_EQ(binding.loadAttempts, 1);
  EXPECT_EQ(binding.loadedFile, "MQD7RA.dll");
  EXPECT_TRUE(surface.messages.empty());
  EXPECT_EQ(dialog.connected, 0);
  EXPECT_EQ(Text(IDC_STATUS_TEXT), kNoReceiver);
  dialog.OnDestroy();
  EXPECT_TRUE(binding.calls.empty());
  EXPECT_EQ(surface.stoppedTimers, std::vector<uint32_t>{17});
}

TEST_F(MonitorTest, WithoutAReceiverTheOkLabelShowsEmptyOnItsColour) {
  binding.openResult = XR_NO_DEVICE;
  dialog.OnInitDialog();
  EXPECT_EQ(binding.calls,
            (std::vector<std::string>{"lookup:Xinit", "Xinit", "lookup:XOpen", "XOpen"}));
  EXPECT_EQ(binding.openWindows.at(0), surface.handle);
  EXPECT_EQ(dialog.connected, 0);
  EXPECT_EQ(dialog.lastShownConnected, 0);
  EXPECT_EQ(Text(IDC_STATUS_TEXT), kNoReceiver);
  EXPECT_TRUE(surface.shown[IDC_RF_OK_LABEL]);
  EXPECT_FALSE(surface.shown[IDC_RF_LOW_LABEL]);
  EXPECT_EQ(surface.colors[IDC_RF_OK_LABEL], 0x00C0C013u);
  EXPECT_EQ(surface.colors[IDC_RF_LOW_LABEL], 0x000000FFu);
  EXPECT_EQ(Text(IDC_RF_OK_LABEL), "");
  // Teardown closes the library even though no receiver was ever open.
  dialog.OnDestroy();
  EXPECT_EQ(binding.CallCount("XClose"), 1);
}

TEST_F(MonitorTest, WithAReceiverTheWindowShowsItsDefaults) {
  state.wheelTotal = 99;
  state.autoSendCount = 3;
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.connected, 1);
  EXPECT_EQ(dialog.lastShownConnected, 1);
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "MQDZ控制器工作正常！");
  EXPECT_EQ(Text(IDC_LCD_LINE1), "111111111111");
  EXPECT_EQ(Text(IDC_LCD_LINE2), "2222222222222222");
  EXPECT_EQ(Text(IDC_LCD_LINE3), "3333333333333333");
  EXPECT_EQ(Text(IDC_LCD_LINE4), "4444444444444444");
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "1111111111111");
  EXPECT_EQ(Text(IDC_RSSI_THRESHOLD), "40");
  for (int id : {IDC_KEY_TEXT, IDC_STEP_TEXT, IDC_AXIS_TEXT, IDC_DEVICE_INFO, IDC_RSSI_TEXT}) {
    EXPECT_EQ(Text(id), "") << id;
  }
  EXPECT_EQ(state.wheelTotal, 0);
  EXPECT_EQ(state.autoSendCount, 0);
  EXPECT_EQ(surface.scrollRange[IDC_WHEEL_BAR], std::make_pair(0, 200));
  EXPECT_EQ(dialog.timerId, 17u);
  EXPECT_EQ(surface.timerPeriods[17], 200u);
  EXPECT_EQ(surface.bound,
            (std::vector<int>{IDC_WHEEL_BAR, IDC_RF_LOW_LABEL, IDC_RF_OK_LABEL, IDC_INFO_CHECK}));
  EXPECT_EQ(surface.menuItems, (std::vector<std::pair<uint32_t, uint32_t>>{{16, 101}}));
}

// Icons at step 7, after the bar's range and before the closing refresh and
// the timer; at teardown the framework's own processing comes first.
TEST_F(MonitorTest, StartAndTeardownRunInTheirOrder) {
  surface.log = &binding.calls;
  dialog.OnInitDialog();
  EXPECT_EQ(binding.calls,
            (std::vector<std::string>{"threshold:0", "lookup:Xinit", "Xinit", "lookup:XOpen",
                                      "XOpen", "scroll-range", "icon-big", "icon-small",
                                      "threshold:40", "timer-start"}));
  EXPECT_EQ(surface.loadedIcons, std::vector<int>{IDR_MAINFRAME});
  EXPECT_EQ(dialog.icon, surface.appIcon);
  EXPECT_EQ(surface.windowIcons[IconSize::kBig], surface.appIcon);
  EXPECT_EQ(surface.windowIcons[IconSize::kSmall], surface.appIcon);

  binding.calls.clear();
  dialog.OnDestroy();
  EXPECT_EQ(binding.calls,
            (std::vector<std::string>{"default-destroy", "timer-stop", "lookup:XClose", "XClose"}));
}

TEST_F(MonitorTest, MissingXOpenLeavesTheWindowNotConnected) {
  binding.missing = {"Xinit", "XOpen"};
  dialog.OnInitDialog();
  EXPECT_EQ(binding.CallCount("Xinit") + binding.CallCount("XOpen"), 0);
  EXPECT_EQ(dialog.connected, 0);
}

TEST_F(MonitorTest, FailedTimerIsNeitherStoredNorKilled) {
  surface.timerWorks = false;
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.timerId, 0u);
  dialog.OnDestroy();
  EXPECT_TRUE(surface.stoppedTimers.empty());
}

TEST_F(MonitorTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
  EXPECT_TRUE(dialog.OnSysCommand(16));
  EXPECT_TRUE(dialog.OnSysCommand(17));
  EXPECT_TRUE(dialog.OnSysCommand(31));
  EXPECT_FALSE(dialog.OnSysCommand(32));
  EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // SC_CLOSE goes to the default
  EXPECT_EQ(surface.aboutBoxes, 3);
}

TEST_F(MonitorTest, OkEndsTheWindowOnlyWhenTheThresholdIsAnInteger) {
  dialog.OnInitDialog();
  surface.texts[IDC_LCD_LINE2] = "typed";
  surface.texts[IDC_RSSI_THRESHOLD] = " -12 ";
  EXPECT_TRUE(dialog.OnOk());
  EXPECT_EQ(dialog.rssiThreshold, -12);
  EXPECT_TRUE(surface.messages.empty());

  // Leading zeros do not make a number too long.
  surface.texts[IDC_RSSI_THRESHOLD] = "00000000040";
  EXPECT_TRUE(dialog.OnOk());
  EXPECT_EQ(dialog.rssiThreshold, 40);
  EXPECT_TRUE(surface.messages.empty());

  surface.texts[IDC_LCD_LINE3] = "line three";
  surface.texts[IDC_RSSI_THRESHOLD] = "4x";
  EXPECT_FALSE(dialog.OnOk());
  ASSERT_EQ(surface.messages.size(), 1u);
  EXPECT_EQ(surface.messages[0].first, "请键入一个整数。");
  EXPECT_EQ(surface.messages[0].second, MessageIcon::kExclamation);
  EXPECT_EQ(surface.focus, IDC_RSSI_THRESHOLD);
  EXPECT_EQ(dialog.rssiThreshold, 40);       // keeps its old value
  EXPECT_EQ(dialog.lcdLine3, "line three");  // earlier entries were taken
}

TEST(ParseDecimal, TakesWhatTheThresholdFieldAccepts) {
  int32_t v = 7;
  EXPECT_TRUE(ParseDecimal("40", &v));
  EXPECT_EQ(v, 40);
  EXPECT_TRUE(ParseDecimal("+3", &v));
  EXPECT_EQ(v, 3);
  EXPECT_TRUE(ParseDecimal("-2147483648", &v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(ParseDecimal("\t2147483647\t", &v));
  EXPECT_EQ(v, INT32_MAX);
  // Any number of leading zeros: only the value has to fit 32 bits.
  EXPECT_TRUE(ParseDecimal("-0000000000002147483648", &v));
  EXPECT_EQ(v, INT32_MIN);
  EXPECT_TRUE(ParseDecimal("+000000000000000000000000", &v));
  EXPECT_EQ(v, 0);
  for (const char *bad : {"", " ", "-", "+-1", "1 2", "0x10", "2147483648", "-2147483649",
                          "00000000002147483648", "99999999999", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseDecimal(bad, &v)) << bad;
  }
}

}  // namespace
}  // namespace tarvex::testing
