// The window logic over the real library code and the virtual receiver: the
// library's posted messages go through a queue that the test pumps on its
// own thread, as the window's message loop would.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <sstream>

#include "fake_surface.h"
#include "library.h"
#include "monitor_dialog.h"
#include "resource.h"
#include "virtual_platform.h"
#include "vreceiver/pendant.h"

namespace tarvex::testing {
namespace {

mqd7ra::Library *boundLibrary = nullptr;

// Native stand-ins for the seven exports, forwarding to one Library.
int32_t MQD7RA_CALL Xinit() { return boundLibrary->Xinit(); }
int32_t MQD7RA_CALL XOpen(void *w) {
  return boundLibrary->XOpen(reinterpret_cast<mqd7ra::WindowHandle>(w));
}
int32_t MQD7RA_CALL XClose() { return boundLibrary->XClose(); }
int32_t MQD7RA_CALL XGetInput(uint32_t *v, uint8_t *s) { return boundLibrary->XGetInput(v, s); }
int32_t MQD7RA_CALL XSendOutput(const uint8_t *p, uint8_t *n) {
  return boundLibrary->XSendOutput(p, n);
}
int32_t MQD7RA_CALL XWritDev(const uint8_t *b, const uint8_t *n) {
  return boundLibrary->XWritDev(b, n);
}
int32_t MQD7RA_CALL GetDeviceData(uint8_t *b, uint8_t k) {
  return boundLibrary->GetDeviceData(b, k);
}

class RealLibraryBinding : public LibraryBinding {
 public:
  explicit RealLibraryBinding(mqd7ra::Library &library) { boundLibrary = &library; }
  ~RealLibraryBinding() override { boundLibrary = nullptr; }
  bool IsLoaded() const override { return loaded_; }
  bool Load(const char *) override { return loaded_ = true; }
  ExportAddress Lookup(const char *name) override {
    const std::string n(name);
    if (n == "Xinit") return reinterpret_cast<ExportAddress>(&Xinit);
    if (n == "XOpen") return reinterpret_cast<ExportAddress>(&XOpen);
    if (n == "XClose") return reinterpret_cast<ExportAddress>(&XClose);
    if (n == "XGetInput") return reinterpret_cast<ExportAddress>(&XGetInput);
    if (n == "XSendOutput") return reinterpret_cast<ExportAddress>(&XSendOutput);
    if (n == "XWritDev") return reinterpret_cast<ExportAddress>(&XWritDev);
    if (n == "GetDeviceData") return reinterpret_cast<ExportAddress>(&GetDeviceData);
    return nullptr;
  }

 private:
  bool loaded_ = false;
};

// The window's message queue: the reader thread posts, the test thread takes.
class MessageQueue {
 public:
  void Post(const PostedMessage &m) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(m);
    changed_.notify_all();
  }
  // Waits up to the deadline for a message.
  bool Take(PostedMessage *m, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) return false;
    *m = queue_.front();
    queue_.pop_front();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<PostedMessage> queue_;
};

class RealLibraryTest : public ::testing::Test {
 protected:
  RealLibraryTest()
      : platform(receiver),
        core(platform),
        binding(core),
        library(binding),
        dialog(surface, library, state, out) {
    platform.SetMessageSink(
        [this](mqd7ra::WindowHandle, uint32_t message, uintptr_t w, intptr_t l) {
          queue.Post({message, w, l});
        });
  }
  ~RealLibraryTest() override { dialog.OnDestroy(); }

  // Dispatches the window's messages until done() holds (bounded).
  bool PumpUntil(const std::function<bool()> &done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
      while (!surface.posted.empty()) {
        Dispatch(surface.posted.front());
        surface.posted.pop_front();
      }
      if (done()) return true;
      PostedMessage m;
      if (!queue.Take(&m, deadline)) return done();
      Dispatch(m);
    }
  }

  void Dispatch(const PostedMessage &m) {
    if (m.message == WM_DEVICE_INPUT) dialog.OnDeviceInput(m.wParam, m.lParam);
    if (m.message == WM_DEVICE_CHECK) dialog.OnDeviceCheck(m.wParam, m.lParam);
  }

  std::string Text(int id) const { return surface.ControlText(id); }

  vreceiver::Receiver receiver;

  vreceiver::Pendant pendant{receiver};
  testsupport::VirtualPlatform platform;
  mqd7ra::Library core;
  RealLibraryBinding binding;
  DeviceLibrary library;
  FakeSurface surface;
  MonitorState state;
  std::ostringstream out;
  MonitorDialog dialog;
  MessageQueue queue;
};

TEST_F(RealLibraryTest, WheelTurnIsShownAndTheDisplayTextSent) {
  dialog.OnInitDialog();
  ASSERT_EQ(Text(IDC_STATUS_TEXT), "MQDZ控制器工作正常！");
  EXPECT_EQ(receiver.GreetingDays().size(), 1u);

  pendant.State().stepCode = 14;
  pendant.State().wheelEnabled = true;
  pendant.SendState(3);
  ASSERT_TRUE(PumpUntil([&] { return dialog.statusText == "Download Ok！"; }));
  EXPECT_EQ(Text(IDC_WHEEL_TOTAL), "+3");
  EXPECT_EQ(Text(IDC_STEP_TEXT), "10xWheelOn:");
  EXPECT_EQ(Text(IDC_AXIS_TEXT), "X 轴");
  EXPECT_EQ(out.str(), " 接收到滚轮3数据,总数据：0 \n");
  const auto texts = receiver.DisplayTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].lines, (std::vector<std::string>{"11111111111", "2222222222222222",
                                                      "3333333333333333", "4444444444444444"}));
}

TEST_F(RealLibraryTest, ReceiverInformationOfTheDefaultFamily) {
  dialog.OnInitDialog();
  state.autoSendCount = 3;
  dialog.OnInfoCheck();
  pendant.PressKeys(7);
  ASSERT_TRUE(PumpUntil([&] { return !dialog.deviceInfoText.empty(); }));
  EXPECT_EQ(Text(IDC_KEY_TEXT), "Num1:7 keypressed");
  EXPECT_EQ(Text(IDC_DEVICE_INFO), "MQD9RA带手轮 波段开关,LCD显示4行,设备ID:4660,channel:5");
  EXPECT_EQ(Text(IDC_RSSI_TEXT), "Rssi:30");
  EXPECT_EQ(Text(IDC_RF_OK_LABEL), "RF 检测正常!");
}

TEST_F(RealLibraryTest, UnplugIsNoticedAndThePlugBackReconnects) {
  dialog.OnInitDialog();
  receiver.Unplug();
  ASSERT_TRUE(PumpUntil([&] { return dialog.lastShownConnected == 0; }));
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "please insert USB controller！");
  EXPECT_EQ(state.autoSendCount, 0);

  receiver.Plug();
  dialog.OnTimer(kWatchdogTimerId);
  ASSERT_TRUE(PumpUntil([&] { return dialog.lastShownConnected == 1; }));
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "MQDZ Job Ok！");
}

TEST_F(RealLibraryTest, StartWithoutReceiverThenRepairOncePlugged) {
  receiver.Unplug();
  dialog.OnInitDialog();
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "请插入MQDZ 控制器！");
  receiver.Plug();
  dialog.OnRepair();  // opens on demand
  EXPECT_TRUE(surface.messages.empty());
  const auto commands = receiver.Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].bytes, (std::vector<uint8_t>{0x0A, 0x0A, 0x16}));
  EXPECT_EQ(commands[1].bytes, (std::vector<uint8_t>{0xA9, 0xA9, 0x16}));
  EXPECT_EQ(Text(IDC_STATUS_TEXT), "下载命令OK!");
}

TEST_F(RealLibraryTest, TeardownClosesTheReceiver) {
  dialog.OnInitDialog();
  EXPECT_GT(receiver.OpenHandles(), 0u);
  dialog.OnDestroy();
  EXPECT_EQ(receiver.OpenHandles(), 0u);
}

}  // namespace
}  // namespace tarvex::testing
