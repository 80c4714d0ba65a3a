// Keeps a planted MQD7RA.dll in the current directory from being loaded.
#pragma once

namespace tarvex::win32 {

// Takes the current directory out of the DLL search path; the program's own
// folder and the system folders stay in it.
void RemoveCurrentDirectoryFromDllSearch();

}  // namespace tarvex::win32
