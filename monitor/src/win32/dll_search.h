// Keeps a MQD7RA.dll planted in the current directory from being loaded.
#pragma once

namespace tarvex::win32 {

// Takes the current directory out of the DLL search order and keeps the rest
// of it: the program's own folder, the system folders, the Windows folder
// and the folders on PATH, where an integrator may have put MQD7RA.dll.
void RemoveCurrentDirectoryFromDllSearch();

}  // namespace tarvex::win32
