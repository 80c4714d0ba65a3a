#include "script_pace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vreceiver::script {

void ScriptPace::SetSpeed(double speed) {
  anchorUs_ = Scheduled();
  sleptMs_ = 0;
  speed_ = speed;
}

int64_t ScriptPace::Scheduled() const {
  return anchorUs_ + std::llround(static_cast<double>(sleptMs_) * 1000 / speed_);
}

int64_t ScriptPace::SleepEnd(int64_t nowUs, uint32_t ms) {
  if (!started_ || nowUs - Scheduled() > kMaxCatchUpMs * 1000) {
    anchorUs_ = nowUs;
    sleptMs_ = 0;
    started_ = true;
  }
  sleptMs_ += ms;
  return std::max(nowUs, Scheduled());
}

bool ParseSpeed(const char *text, double *speed) {
  char *end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value > 0) || value > 1000) return false;
  *speed = value;
  return true;
}

}  // namespace vreceiver::script
