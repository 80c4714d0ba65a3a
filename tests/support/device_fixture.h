// The real library core on the in-process port over a virtual receiver, and
// a log of every message it posts.
#pragma once

#include <gtest/gtest.h>
#include <mqd7ra.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "library.h"
#include "posted_message.h"
#include "virtual_platform.h"
#include "vreceiver/pendant.h"
#include "vreceiver/receiver.h"

namespace devicetest {

constexpr mqd7ra::WindowHandle kWindow = 0x1234;
constexpr uint32_t kWaitMs = 5000;
// Windows waits for ever; a test that closes under a read fails after this.
constexpr uint32_t kCloseWaitLimitMs = 1000;

class MessageLog {
 public:
  void Record(const Message &m) {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(m);
    ++counts_[m.message];
    changed_.notify_all();
  }
  size_t Count(uint32_t message) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return CountLocked(message);
  }
  std::vector<Message> Of(uint32_t message) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Message> found;
    for (const Message &m : messages_) {
      if (m.message == message) found.push_back(m);
    }
    return found;
  }
  // Bounded wait until at least `count` messages of the kind have come.
  bool WaitForCount(uint32_t message, size_t count) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs),
                             [&] { return CountLocked(message) >= count; });
  }

 private:
  // Kept per kind, so that a test polling the count while the reader posts
  // thousands of messages holds the lock only briefly (a scan of the whole
  // log under the lock starved the reader under TSan).
  size_t CountLocked(uint32_t message) const {
    const auto found = counts_.find(message);
    return found == counts_.end() ? 0 : found->second;
  }
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Message> messages_;
  std::map<uint32_t, size_t> counts_;
};

class DeviceTest : public ::testing::Test {
 protected:
  DeviceTest() {
    platform.hid().SetCloseWaitLimit(kCloseWaitLimitMs);
    platform.SetUtcDay(5);
    platform.SetMessageSink([this](mqd7ra::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
      messages.Record(Message{w, m, wp, lp});
    });
    library.Xinit();
  }

  // Whatever a test did, the library used its handles as Windows demands:
  // no close or other request met a pending read, no value was closed twice
  // or read while it named another device, and after XClose nothing is left
  // open.
  void TearDown() override {
    library.XClose();
    const testsupport::IoCounters counters = platform.Counters();
    EXPECT_EQ(0u, counters.closesThatWaited) << "a handle was closed under a pending read";
    EXPECT_EQ(0u, counters.requestsThatWaited) << "a request met a pending read";
    EXPECT_EQ(0u, counters.invalidCloses) << "a handle value was closed that was not open";
    EXPECT_EQ(0u, counters.strayReads) << "the reader read another interface";
    EXPECT_EQ(0u, counters.openHandles) << "a handle was left open";
    EXPECT_EQ(0u, platform.threads().TerminatedOutsideRead())
        << "a thread was ended by force outside its read";
  }

  int32_t Open() { return library.XOpen(kWindow); }

  // Opens and forgets the reports the open sent.
  void OpenAndSettle() {
    ASSERT_EQ(XR_OK, Open());
    receiver.ClearLog();
  }

  void WaitUntilReading() {
    ASSERT_TRUE(receiver.WaitFor([&] { return platform.hid().PendingReads() == 1; }, kWaitMs));
  }

  // Waits until every report sent so far has left the device: from then on
  // it is in the ring of each input handle open when it left, or gone.
  void WaitDelivered() {
    ASSERT_TRUE(receiver.WaitFor([&] { return receiver.PendingReports() == 0; }, kWaitMs));
  }

  // Unplugs and waits for the reader to report the loss.
  void LoseReceiver() {
    receiver.Unplug();
    ASSERT_TRUE(messages.WaitForCount(WM_DEVICE_CHECK, 1));
    ASSERT_TRUE(receiver.WaitFor([&] { return receiver.OpenHandles() == 0; }, kWaitMs));
  }

  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  testsupport::VirtualPlatform platform{receiver};
  MessageLog messages;
  mqd7ra::Library library{platform};
};

}  // namespace devicetest
