// Tarvex.exe: runs the monitor window modally and ends with it.
#include <windows.h>

#include <iostream>

#include "dialog_host.h"
#include "dll_search.h"
#include "monitor_state.h"
#include "win32_library_binding.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  tarvex::win32::RemoveCurrentDirectoryFromDllSearch();
  static tarvex::win32::Win32LibraryBinding library;  // never unloaded
  tarvex::MonitorState state;
  tarvex::win32::DialogHost host(instance, library, state, std::cout);
  host.RunModal();
  return 0;
}
