#include <windows.h>

#include "script_port.h"

namespace vreceiver::script {

namespace {

class Win32Clock : public Clock {
 public:
  int64_t NowUs() override {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const int64_t ticks = count.QuadPart, perSecond = frequency.QuadPart;
    return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
  }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  uint8_t DayOfMonthUtc() override {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return static_cast<uint8_t>(now.wDay);
  }
};

}  // namespace

Clock &SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace vreceiver::script
