// One message the library posted to a window, as the device tests record it.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace devicetest {

struct Message {
  mqd7ra::WindowHandle window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

}  // namespace devicetest
