// How often the window is redrawn while input messages arrive: a refresh is
// skipped only while another message already waits or within a frame of the
// last one (then a timer shows it), at least every 50 ms, and whatever was
// skipped is shown before anything else is handled. Every
// message still counts and updates the members at once; its line is
// written, in order, before the refresh that shows it.
#include "monitor_fixture.h"

namespace tarvex::testing {
namespace {

class RefreshRuleTest : public MonitorTest {
 protected:
  void SetUp() override {
    dialog.OnInitDialog();
    state.autoSendCount = kAutoSendLimit;  // the automatic sends are done
  }
  // A wheel message of +1 while `waiting` says whether another one follows.
  void Wheel(bool waiting) {
    surface.messageWaiting = waiting;
    Input(1, 0);
  }
};

TEST_F(RefreshRuleTest, ABurstIsShownOnceTheQueueIsEmptyAndCountedExactly) {
  const int before = Refreshes();
  for (int i = 0; i < 9; ++i) Wheel(true);
  EXPECT_EQ(Refreshes(), before);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "1111111111111");  // still the start text
  EXPECT_EQ(dialog.wheelTotalText, "+9");             // the member follows at once
  EXPECT_EQ(surface.scrollPos.count(IDC_WHEEL_BAR), 0u);
  EXPECT_EQ(out.str(), "");  // the lines go out with the refresh

  Wheel(false);  // the last of the burst
  Pump();        // the window's own message behind it
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+10");
  EXPECT_EQ(surface.scrollPos[IDC_WHEEL_BAR], 10);
  EXPECT_EQ(surface.invalidated[IDC_WHEEL_BAR], 1);  // one move, not ten
  EXPECT_EQ(state.wheelTotal, 10);
  EXPECT_NE(out.str().find("滚轮1数据,总数据：9 \n"), std::string::npos);
}

TEST_F(RefreshRuleTest, AtLeastEveryFiftyMillisecondsWhileInputKeepsComing) {
  Wheel(false);
  const int before = Refreshes();
  for (int ms = 10; ms < 50; ms += 10) {
    surface.nowMs += 10;
    Wheel(true);
  }
  EXPECT_EQ(Refreshes(), before);
  surface.nowMs += 10;  // 50 ms since the last refresh
  Wheel(true);
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+6");
  surface.nowMs += 49;
  Wheel(true);
  EXPECT_EQ(Refreshes(), before + 1);
}

TEST_F(RefreshRuleTest, ASkippedRefreshIsShownBeforeAnotherKindOfMessage) {
  Wheel(true);
  Wheel(true);
  const int before = Refreshes();
  dialog.FinishRefresh();  // e.g. a timer tick comes next
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+2");
  dialog.FinishRefresh();  // nothing left unshown: no redraw
  EXPECT_EQ(Refreshes(), before + 1);
}

// Reading the fields back must not take the stale texts of a skipped
// refresh into the members: the total would fall back to an old value.
TEST_F(RefreshRuleTest, ReadBackAfterASkippedRefreshKeepsTheNewTexts) {
  Wheel(true);
  Wheel(true);
  surface.texts[IDC_LCD_LINE3] = "typed";
  dialog.ReadBack();
  EXPECT_EQ(dialog.wheelTotalText, "+2");
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+2");
  EXPECT_EQ(dialog.lcdLine3, "3333333333333333");  // replaced by the refresh, as any refresh does
}

// The first three changes still send the display text, refresh skipped or
// not, and the send reads back fields that show the newest input.
TEST_F(RefreshRuleTest, AutomaticSendsAreUnchanged) {
  state.autoSendCount = 0;
  surface.messageWaiting = true;
  for (uint8_t key = 1; key <= 4; ++key) Input(0, INPUTWORD_MAKE(key, 0, 0, 0));
  EXPECT_EQ(binding.CallCount("XSendOutput"), 3);
  EXPECT_EQ(Text(IDC_KEY_TEXT), "Num1:3 keypressed");  // the last send's read-back showed it
  EXPECT_EQ(dialog.keyText, "Num1:4 keypressed");
  surface.messageWaiting = false;
  Input(0, INPUTWORD_MAKE(5, 0, 0, 0));
  Pump();
  EXPECT_EQ(Text(IDC_KEY_TEXT), "Num1:5 keypressed");
}

// The queue is asked once per backlog, not once per message; each line
// reaches standard output, in order, before the refresh that shows its
// total; the receiver information left to the refresh is read for the
// newest state.
TEST_F(RefreshRuleTest, ABacklogIsShownWithItsLinesWrittenFirst) {
  std::vector<std::pair<std::string, std::string>> shown;  // total shown, output by then
  surface.onText = [&](int id, const std::string &text) {
    if (id == IDC_WHEEL_TOTAL) shown.emplace_back(text, out.str());
  };
  dialog.OnInfoCheck();
  binding.deviceData = {6, 0x34, 0x12, 0, 3, 30, 0, 4};
  for (int i = 0; i < 3; ++i) Wheel(true);
  surface.nowMs += kRefreshLagMs;  // a refresh falls due inside the backlog
  Wheel(true);
  binding.deviceData[5] = 50;  // the RSSI rises while more input waits
  for (int i = 0; i < 3; ++i) Wheel(true);
  EXPECT_EQ(surface.queueChecks, 1);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 1);  // with the refresh that fell due
  Pump();

  std::string lines[8];
  for (int i = 0; i < 7; ++i)
    lines[i + 1] = lines[i] + " 接收到滚轮1数据,总数据：" + std::to_string(i) + " \n";
  using Shown = std::pair<std::string, std::string>;
  EXPECT_EQ(shown, (std::vector<Shown>{{"+4", lines[4]}, {"+7", lines[7]}}));
  EXPECT_EQ(out.str(), lines[7]);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 2);
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:50");
  EXPECT_TRUE(surface.shown[IDC_RF_LOW_LABEL]);
}

// With nothing in the queue the reports may still wait in the library's
// ring: within a frame of the last redraw a message writes its line at once
// and leaves the redraw, with the information read, to the show timer,
// which draws the newest state.
TEST_F(RefreshRuleTest, WithinAFrameTheLineGoesOutAndTheShowTimerRedraws) {
  surface.showTimerWorks = true;
  dialog.OnInfoCheck();
  binding.deviceData = {6, 0x34, 0x12, 0, 3, 30, 0, 4};
  const int before = Refreshes();
  Wheel(false);
  Wheel(false);
  EXPECT_EQ(out.str(), " 接收到滚轮1数据,总数据：0 \n 接收到滚轮1数据,总数据：1 \n");
  EXPECT_EQ(Refreshes(), before);
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 0);
  EXPECT_EQ(surface.timerPeriods[kShowTimerId], kRefreshSpacingMs);
  dialog.OnShowTimer();
  EXPECT_EQ(Refreshes(), before + 1);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+2");
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:30");
  EXPECT_EQ(binding.CallCount("GetDeviceData"), 1);
  EXPECT_EQ(surface.stoppedTimers, std::vector<uint32_t>{kShowTimerId});
  surface.nowMs += kRefreshSpacingMs;  // a frame later: drawn at once
  Wheel(false);
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+3");
}

}  // namespace
}  // namespace tarvex::testing
