#include "paced_sleep.h"

#include <algorithm>
#include <atomic>

#include "script_pace.h"
#include "script_port.h"

namespace vreceiver::script {

namespace {

std::atomic<double> defaultSpeed{1.0};

struct ThreadPacing {
  bool made = false;
  ScriptPace pace;
  StopWait stop;
};

ThreadPacing &ThisThread() {
  thread_local ThreadPacing pacing;
  if (!pacing.made) {
    pacing.pace.SetSpeed(defaultSpeed);
    pacing.made = true;
  }
  return pacing;
}

}  // namespace

void SetDefaultSpeed(double speed) { defaultSpeed = speed; }
void SetThreadSpeed(double speed) { ThisThread().pace.SetSpeed(speed); }
void SetThreadStop(StopWait stop) { ThisThread().stop = std::move(stop); }

bool PacedSleep(uint32_t ms) {
  ThreadPacing &pacing = ThisThread();
  Clock &clock = CurrentClock();
  const int64_t end = pacing.pace.SleepEnd(clock.NowUs(), ms);
  for (int64_t left = end - clock.NowUs(); left > 0; left = end - clock.NowUs()) {
    // In pieces of at most a minute: a wait never reaches INFINITE.
    const auto wait = static_cast<uint32_t>(std::min<int64_t>((left + 999) / 1000, 60000));
    if (!pacing.stop) {
      clock.Sleep(wait);
    } else if (pacing.stop(wait)) {
      return false;
    }
  }
  return !pacing.stop || !pacing.stop(0);
}

}  // namespace vreceiver::script
