// Finds the virtual receiver's HID interfaces the way any program does:
// through Wine's own setupapi and hid.dll, with no help from the project.
#pragma once

#include <windows.h>

namespace vrhid {

constexpr USHORT kReceiverVendorId = 0x10CE;
constexpr USHORT kReportLength = 8;

// Opens the first interface of the receiver's vendor whose feature reports
// (or input reports) are 8 bytes long; INVALID_HANDLE_VALUE when none.
HANDLE OpenReceiverInterface(bool feature, DWORD access);

}  // namespace vrhid
