// The scan tells other vendors' interfaces by the IDs in their paths, so a
// misread path either opens a stranger or passes the receiver by.
#include "interface_ids.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
  const char *path;
  bool read;
  uint16_t vendorId;
  uint16_t productId;
};

TEST(InterfaceIdsFromPath, ReadsUsbIdsInAnyCaseAndNothingElse) {
  const PathCase cases[] = {
      {R"(\\?\hid#vid_10ce&pid_eb91&mi_00#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
       true, 0x10CE, 0xEB91},
      {R"(\\?\HID#VID_046D&PID_C52B&MI_02&COL01#8&2F0A&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030})",
       true, 0x046D, 0xC52B},
      // Bluetooth: the IDs are there, but not in the USB form.
      {R"(\\?\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d_pid&b01d#9&1&0000#{4d1e})",
       false, 0, 0},
      {R"(\\?\hid#acpi0c50&col01#1&2&0#{4d1e55b2})", false, 0, 0},
      {R"(\\?\hid#vid_10ce&pid_eb9)", false, 0, 0},        // cut short
      {R"(\\?\hid#vid_10ce5&pid_eb91#x)", false, 0, 0},    // five digits
      {R"(\\?\hid#vid_10cg&pid_eb91#x)", false, 0, 0},     // not hex
      {R"(\\?\hid#x_vid_10ce&pid_eb91b#x)", false, 0, 0},  // product with five
  };
  for (const PathCase &c : cases) {
    mqd7ra::HidAttributes ids;
    EXPECT_EQ(c.read, mqd7ra::IdsFromPath(c.path, &ids)) << c.path;
    if (!c.read) continue;
    EXPECT_EQ(c.vendorId, ids.vendorId) << c.path;
    EXPECT_EQ(c.productId, ids.productId) << c.path;
  }
}

}  // namespace
