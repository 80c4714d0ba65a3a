#include "paced_sleep.h"

#include <atomic>
#include <chrono>

#include "script_pace.h"

namespace vreceiver::script {

namespace {

std::atomic<double> defaultSpeed{1.0};

struct ThreadPacing {
  bool made = false;
  ScriptPace pace;
  HANDLE stop = nullptr;
};

ThreadPacing &ThisThread() {
  thread_local ThreadPacing pacing;
  if (!pacing.made) {
    pacing.pace.SetSpeed(defaultSpeed);
    pacing.made = true;
  }
  return pacing;
}

int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void SetDefaultSpeed(double speed) { defaultSpeed = speed; }
void SetThreadSpeed(double speed) { ThisThread().pace.SetSpeed(speed); }
void SetThreadStop(HANDLE stop) { ThisThread().stop = stop; }

bool PacedSleep(uint32_t ms) {
  ThreadPacing &pacing = ThisThread();
  const int64_t end = pacing.pace.SleepEnd(NowUs(), ms);
  for (int64_t left = end - NowUs(); left > 0; left = end - NowUs()) {
    const auto wait = static_cast<DWORD>((left + 999) / 1000);
    if (!pacing.stop) {
      Sleep(wait);
    } else if (WaitForSingleObject(pacing.stop, wait) == WAIT_OBJECT_0) {
      return false;
    }
  }
  return !pacing.stop || WaitForSingleObject(pacing.stop, 0) != WAIT_OBJECT_0;
}

}  // namespace vreceiver::script
