#include <errno.h>
#include <time.h>

#include "script_port.h"

namespace vreceiver::script {

namespace {

class PosixClock : public Clock {
 public:
  int64_t NowUs() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
  }
  void Sleep(uint32_t ms) override {
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  }
  uint8_t DayOfMonthUtc() override {
    const time_t now = time(nullptr);
    tm utc{};
    gmtime_r(&now, &utc);
    return static_cast<uint8_t>(utc.tm_mday);
  }
};

}  // namespace

Clock &SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace vreceiver::script
