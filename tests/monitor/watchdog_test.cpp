// The connection watchdog: every transition of a check, and the timer.
#include "monitor_fixture.h"

namespace tarvex::testing {
namespace {

constexpr int kNotCalled = -1;
constexpr int kMissing = -2;

struct Transition {
  int shownBefore;
  int connectedBefore;
  int getInput;  // result, kNotCalled (library not loaded) or kMissing (export)
  int open;      // result or kMissing
  int shownAfter;
  bool refresh;
};

const Transition kTransitions[] = {
    {1, 1, XR_OK, XR_OK, 1, false},
    {1, 1, kMissing, XR_OK, 1, false},
    {1, 1, XR_NOT_OPEN, XR_OK, 1, false},
    {1, 1, XR_NOT_OPEN, XR_NO_DEVICE, 0, true},
    {1, 1, XR_NOT_OPEN, kMissing, 0, true},
    {1, 0, XR_OK, XR_OK, 1, false},
    {1, 0, XR_OK, XR_NO_DEVICE, 0, true},
    {0, 0, XR_OK, XR_OK, 1, true},
    {0, 0, XR_OK, kMissing, 0, false},
    {0, 1, XR_OK, XR_OK, 1, true},
    {0, 1, kMissing, XR_NO_DEVICE, 1, true},
    {0, 1, XR_NOT_OPEN, XR_OK, 1, true},
    {0, 1, XR_NOT_OPEN, XR_NO_DEVICE, 0, false},
};

class WatchdogTransitionTest : public MonitorTest,
                               public ::testing::WithParamInterface<std::tuple<Transition, int>> {};

TEST_P(WatchdogTransitionTest, FollowsTheTable) {
  const Transition t = std::get<0>(GetParam());
  const intptr_t lParam = std::get<1>(GetParam());
  dialog.OnInitDialog();
  dialog.lastShownConnected = t.shownBefore;
  dialog.connected = t.connectedBefore;
  state.autoSendCount = 2;
  binding.calls.clear();
  if (t.getInput == kMissing)
    binding.missing.insert("XGetInput");
  else
    binding.getInputResult = t.getInput;
  if (t.open == kMissing)
    binding.missing.insert("XOpen");
  else
    binding.openResult = t.open;
  const int before = Refreshes();

  EXPECT_EQ(dialog.OnDeviceCheck(0, lParam), 1);

  EXPECT_EQ(dialog.connected, t.shownAfter);
  EXPECT_EQ(dialog.lastShownConnected, t.shownAfter);
  EXPECT_EQ(Refreshes() - before, t.refresh ? 1 : 0);
  EXPECT_EQ(binding.CallCount("XGetInput"), t.connectedBefore && t.getInput != kMissing ? 1 : 0);
  const bool reopened = t.connectedBefore == 0 || t.getInput == XR_NOT_OPEN;
  EXPECT_EQ(binding.CallCount("XClose"), reopened ? 1 : 0);
  EXPECT_EQ(binding.CallCount("XOpen"), reopened && t.open != kMissing ? 1 : 0);
  if (t.shownAfter) {
    EXPECT_EQ(dialog.statusText, lParam == 1 ? "Download Ok！" : "MQDZ Job Ok！");
    EXPECT_EQ(state.autoSendCount, 2);
  } else {
    EXPECT_EQ(dialog.statusText, "please insert USB controller！");
    EXPECT_EQ(state.autoSendCount, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(AllRows, WatchdogTransitionTest,
                         ::testing::Combine(::testing::ValuesIn(kTransitions),
                                            ::testing::Values(0, 1, 2)),
                         [](const auto &row) {
                           return "row" + std::to_string(row.index / 3 + 1) + "_lParam" +
                                  std::to_string(std::get<1>(row.param));
                         });

TEST_F(MonitorTest, WithoutTheLibraryEveryCheckEndsNotConnected) {
  binding.loadable = false;
  dialog.OnInitDialog();
  dialog.lastShownConnected = 1;
  dialog.OnDeviceCheck(0, 1);
  EXPECT_EQ(dialog.connected, 0);
  EXPECT_EQ(dialog.statusText, "please insert USB controller！");
  EXPECT_EQ(binding.loadAttempts, 1);  // the watchdog never loads
  EXPECT_TRUE(binding.calls.empty());
}

TEST_F(MonitorTest, TimerAsksForACheckOnlyWhileShownNotConnected) {
  binding.openResult = XR_NO_DEVICE;
  dialog.OnInitDialog();
  dialog.connected = 1;  // the test is on the shown state
  dialog.OnTimer(99);
  ASSERT_EQ(surface.posted.size(), 1u);
  EXPECT_EQ(surface.posted[0].message, static_cast<uint32_t>(WM_DEVICE_CHECK));
  EXPECT_EQ(surface.posted[0].lParam, 0);
  surface.posted.clear();
  dialog.lastShownConnected = 1;
  dialog.connected = 0;
  dialog.OnTimer(17);
  EXPECT_TRUE(surface.posted.empty());
}

TEST_F(MonitorTest, StartWithoutReceiverKeepsItsTextUntilTheStateChanges) {
  binding.openResult = XR_NO_DEVICE;
  dialog.OnInitDialog();
  dialog.OnTimer(17);
  Pump();
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "请插入MQDZ 控制器！");
  binding.openResult = XR_OK;  // plugged in
  dialog.OnTimer(17);
  Pump();
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "MQDZ Job Ok！");
}

}  // namespace
}  // namespace tarvex::testing
