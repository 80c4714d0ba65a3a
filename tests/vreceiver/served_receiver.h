// A receiver served in-process, for native runs of the command language: a
// thread presents each change of its settings at once, and another takes
// every input report as the device would and keeps it. With a virtual
// clock the commands' sleeps pass at once.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "script_port.h"
#include "vreceiver/receiver.h"

namespace vreceiver::testing {

class ServedReceiver {
 public:
  ServedReceiver();
  ~ServedReceiver();
  ServedReceiver(const ServedReceiver &) = delete;
  ServedReceiver &operator=(const ServedReceiver &) = delete;

  Receiver receiver;
  // The reports the device took since the last call, in order.
  std::vector<Report> TakeSent();
  // Settings the serving side presented (a plug, a product, information).
  uint64_t Presented() const { return presented_; }

 private:
  void Follow();
  void Take();

  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> presented_{0};
  std::mutex mutex_;
  std::vector<Report> sent_;
  std::thread follow_, take_;
};

// Time that passes only when a command sleeps (a sleep is instant).
class VirtualClock : public script::Clock {
 public:
  int64_t NowUs() override { return nowUs_; }
  void Sleep(uint32_t ms) override { nowUs_ += int64_t{ms} * 1000; }
  uint8_t DayOfMonthUtc() override { return 8; }

 private:
  std::atomic<int64_t> nowUs_{0};
};

}  // namespace vreceiver::testing
