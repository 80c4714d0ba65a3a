/* A DLL that imports a function of Windows 8 (GetSystemTimePreciseAsFileTime),
 * which the Windows floor check must report. Declared here because the
 * headers, set to Windows 7, hide it. */
#include <windows.h>

__declspec(dllimport) void WINAPI GetSystemTimePreciseAsFileTime(FILETIME *time);

__declspec(dllexport) DWORD WINAPI PreciseLowTime(void) {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return now.dwLowDateTime;
}
