/* Test stand-in for MQD7RA.dll: the seven exports, each appending its name
 * to mqd7ra-probe.log beside this DLL. XOpen reports the receiver open and,
 * the first time, posts one input: key 5 and a wheel step of +2. */
#include <windows.h>

#include "mqd7ra.h"

static void Note(const char *name) {
  char path[MAX_PATH];
  HMODULE self = NULL;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      (LPCSTR)(void *)&Note, &self);
  DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  while (n > 0 && path[n - 1] != '\\' && path[n - 1] != '/') --n;
  lstrcpyA(path + n, "mqd7ra-probe.log");
  HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(log, name, (DWORD)lstrlenA(name), &written, NULL);
  WriteFile(log, "\n", 1, &written, NULL);
  CloseHandle(log);
}

int32_t MQD7RA_CALL Xinit(void) {
  Note("Xinit");
  return XR_OK;
}

int32_t MQD7RA_CALL XOpen(void *window) {
  static int posted = 0;
  Note(window ? "XOpen" : "XOpen(no window)");
  if (window && !posted) {
    posted = 1;
    PostMessageA((HWND)window, WM_DEVICE_INPUT, 2, (LPARAM)INPUTWORD_MAKE(5, 0, 0x4D, 17));
  }
  return XR_OK;
}

int32_t MQD7RA_CALL XClose(void) {
  Note("XClose");
  return 1;
}

int32_t MQD7RA_CALL XGetInput(uint32_t *values, uint8_t *status) {
  Note("XGetInput");
  values[0] = values[1] = 0;
  *status = 2;
  return XR_OK;
}

int32_t MQD7RA_CALL XSendOutput(const uint8_t *payload, uint8_t *length) {
  (void)payload;
  Note("XSendOutput");
  *length = (uint8_t)(*length + 3);
  return XR_OK;
}

int32_t MQD7RA_CALL XWritDev(const uint8_t *bytes, const uint8_t *count) {
  (void)bytes;
  (void)count;
  Note("XWritDev");
  return XR_OK;
}

int32_t MQD7RA_CALL GetDeviceData(uint8_t *buffer, uint8_t kind) {
  (void)buffer;
  (void)kind;
  Note("GetDeviceData");
  return 0;
}
