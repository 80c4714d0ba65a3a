// The HID interfaces of the machine found the way any program finds them:
// SetupAPI lists them, hid.dll reads their IDs and report lengths. Used by
// the receiver process (to wait until the system lists what it presents)
// and by programs of their own that reach the receiver (the HID stack
// probe, the input benchmark, the library's check, the recorder).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "pendant/pendant_report.h"

namespace hidlist {

// An interface as the system lists it: path, IDs and report lengths.
using HidInterface = pendant::InterfaceInfo;

// Device paths of the HID interfaces present now, in the order the system
// lists them.
std::vector<std::string> ListPaths();
// The same with each one's IDs and report lengths, read through a handle
// that asks for no access (so another program's open does not stand in the
// way); an interface that cannot be opened or read is left out.
std::vector<HidInterface> ListInterfaces();
bool IsReceiverInterface(const HidInterface &found);
// Opens the first receiver interface whose input (or feature) reports are
// 8 bytes long, shared for reading and writing, with `access` and
// CreateFile's `flags` (FILE_FLAG_OVERLAPPED); INVALID_HANDLE_VALUE when
// there is none. What it is goes to *described if given.
HANDLE OpenReceiverInterface(bool feature, DWORD access, HidInterface *described = nullptr,
                             DWORD flags = 0);

}  // namespace hidlist
