// A MonitorDialog over the fake surface and the fake library, with a pump
// for the messages the window posts to itself.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "fake_library.h"
#include "fake_surface.h"
#include "monitor_dialog.h"
#include "resource.h"

namespace tarvex::testing {

class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() : library(binding), dialog(surface, library, state, out) {}

  // Delivers every message the window posted to itself, in order.
  void Pump() {
    while (!surface.posted.empty()) {
      const PostedMessage m = surface.posted.front();
      surface.posted.pop_front();
      if (m.message == WM_DEVICE_CHECK) dialog.OnDeviceCheck(m.wParam, m.lParam);
      if (m.message == WM_DEVICE_INPUT) dialog.OnDeviceInput(m.wParam, m.lParam);
      if (m.message == WM_SHOW_INPUT) dialog.OnShowInput();
    }
  }

  intptr_t Input(uint8_t wheel, InputWord word) {
    return dialog.OnDeviceInput(wheel, static_cast<intptr_t>(word));
  }

  int Refreshes() const { return surface.Refreshes(IDC_LCD_LINE1); }
  std::string Text(int id) const { return surface.ControlText(id); }

  FakeSurface surface;
  FakeLibrary binding;
  DeviceLibrary library;
  MonitorState state;
  std::ostringstream out;
  MonitorDialog dialog;
};

}  // namespace tarvex::testing
