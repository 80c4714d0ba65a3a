// Application-wide monitor state: one set per process, window thread only.
// (The loaded library itself is held by the LibraryBinding.)
#pragma once

#include <cstdint>

#include "mqd7ra.h"

namespace tarvex {

struct MonitorState {
  int16_t wheelPosition = 0;  // shown on IDC_WHEEL_BAR, kept within 0..200
  int32_t wheelTotal = 0;     // running sum of wheel deltas
  int32_t autoSendCount = 0;  // automatic display-text sends, limit 3
  InputWord lastInputWord = 0;
};

}  // namespace tarvex
