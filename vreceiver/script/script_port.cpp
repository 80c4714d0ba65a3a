#include "script_port.h"

#include <atomic>

namespace vreceiver::script {

namespace {
std::atomic<Clock *> current{nullptr};
}  // namespace

Clock &CurrentClock() {
  Clock *clock = current.load();
  return clock ? *clock : SystemClock();
}

void UseClock(Clock *clock) { current = clock; }

}  // namespace vreceiver::script
