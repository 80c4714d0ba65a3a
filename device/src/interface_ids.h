// The USB vendor and product ID that Windows writes into the device path of
// a HID interface of a USB device ("\\?\hid#vid_10ce&pid_eb91&mi_00#..."),
// read without opening the interface.
#pragma once

#include "platform/platform.h"

namespace mqd7ra {

// False when the path carries no "vid_XXXX&pid_XXXX" (in any case), as the
// paths of Bluetooth and other non-USB HID devices do not.
bool IdsFromPath(const char *path, HidAttributes *ids);

}  // namespace mqd7ra
