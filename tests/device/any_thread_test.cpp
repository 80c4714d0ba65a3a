// Hosts (plug-ins of CNC programs) call the exports from several threads at
// once, and stop the library when and where they like.
#include <atomic>
#include <thread>

#include "device_fixture.h"

namespace devicetest {
namespace {

// Opens, closes, sends, commands and polls from four threads while the
// pendant sends: no handle is closed twice or under a read, no request
// meets a pending read, no second reader starts, and nothing is left open
// after the last close (the fixture's checks). Run under TSan, this also
// finds any state the exports share unguarded.
TEST_F(DeviceTest, ExportsFromSeveralThreadsAtOnce) {
  constexpr int kRounds = 60;
  std::atomic<bool> go{false};
  std::atomic<int> done{0};
  const auto run = [&](auto call) {
    return std::thread([&go, &done, call] {
      while (!go) std::this_thread::yield();
      for (int round = 0; round < kRounds; ++round) call(round);
      ++done;
    });
  };
  std::thread threads[] = {
      run([this](int round) {
        Open();
        if (round % 3 == 2) library.XClose();
      }),
      run([this](int) {
        const uint8_t payload[3] = {0x41, 0x42, 0x43};
        uint8_t length = 3;
        library.XSendOutput(payload, &length);
      }),
      run([this](int) {
        const uint8_t command[3] = {0x0A, 0x0A, 0x16};
        const uint8_t count = 3;
        library.XWritDev(command, &count);
      }),
      run([this](int) {
        uint32_t values[2] = {};
        uint8_t status = 4;
        library.XGetInput(values, &status);
        uint8_t info[8] = {};
        library.GetDeviceData(info, 2);
      }),
  };
  go = true;
  while (done < 4) pendant.PressKeys(1);
  for (std::thread &t : threads) t.join();
  EXPECT_LE(platform.threads().Running(), 1u);
  library.XClose();
  EXPECT_EQ(0u, platform.threads().Running());
}

// A reader held before it ever reads (behind the loader lock while another
// thread's DllMain runs) is never ended by force: it could die holding that
// lock. XClose gives up waiting for it within its bound and leaves it be;
// an open meanwhile keeps it as the reader rather than starting a second
// one, and once it runs it reads.
TEST_F(DeviceTest, AReaderHeldBeforeItsReadIsLeftBeNotEndedByForce) {
  platform.threads().SpeedUp(20);
  platform.threads().HoldStarts(true);
  ASSERT_EQ(XR_OK, Open());
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(0u, platform.threads().Terminated());
  EXPECT_EQ(0u, receiver.OpenHandles());

  ASSERT_EQ(XR_OK, Open());
  platform.threads().HoldStarts(false);
  WaitUntilReading();
  pendant.PressKeys(2);
  ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_INPUT, 1));
  EXPECT_EQ(1u, platform.threads().Created());
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(0u, platform.threads().Running());
}

// The reader's thread is killed in its read, as every thread is when the
// process exits before a static destructor calls XClose: the close takes
// none of the reader's locks, waits for nothing and closes everything.
TEST_F(DeviceTest, CloseAfterTheReaderWasKilledWaitsForNothing) {
  ASSERT_EQ(XR_OK, Open());
  WaitUntilReading();
  platform.TerminateThread(1);  // the first thread the platform made
  ASSERT_TRUE(platform.WaitUntil([&] { return platform.threads().Alive() == 0; }, kWaitMs));
  EXPECT_EQ(1, library.XClose());
  EXPECT_EQ(1u, platform.threads().Terminated());
  EXPECT_EQ(0u, library.ReaderId());
}

}  // namespace
}  // namespace devicetest
