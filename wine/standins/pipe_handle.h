// What the stand-in hid.dll knows about a handle: the interface pipe behind
// it, found from the handle itself.
#pragma once

#include <windows.h>

#include <string>

namespace standins {

// Last part of the pipe's name ("tarvex-vreceiver-if-..."), or "" when the
// handle is no interface pipe of the receiver.
std::string InterfaceNameOf(HANDLE handle);
// False once the receiver has disconnected the pipe (the device is gone).
bool StillConnected(HANDLE handle);

}  // namespace standins
