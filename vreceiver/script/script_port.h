// The time the command language keeps and the sleeps it takes, the only
// services of the system it uses: a Win32 and a POSIX clock, and in tests
// and the fuzzer a virtual one, so that hours of recorded gaps pass at once.
#pragma once

#include <cstdint>

namespace vreceiver::script {

class Clock {
 public:
  virtual ~Clock() = default;
  // A steady clock, in microseconds from an arbitrary start.
  virtual int64_t NowUs() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Today's day of the month in UTC (1..31).
  virtual uint8_t DayOfMonthUtc() = 0;
};

// The system's clock (script_port_win32.cpp or script_port_posix.cpp).
Clock &SystemClock();
// The clock every command uses: the system's unless one was set.
Clock &CurrentClock();
// Sets it for the whole process (null: the system's again); before any
// thread that runs commands starts.
void UseClock(Clock *clock);

}  // namespace vreceiver::script
