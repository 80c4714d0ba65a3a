/*
 * A caller of MQD7RA.dll as MSVC builds one: compiled for the MSVC target
 * with the release's header and linked against the release's MQD7RA.lib
 * alone (no C runtime, no GetProcAddress). Every import is called: Windows
 * refuses to start a program with an import the DLL lacks, while Wine binds it
 * to a stub that aborts the program when called. The calls, without a
 * receiver, check that each import reaches the right export with the right
 * calling convention.
 * Prints one line per check and exits with the number of failures.
 */
#include "mqd7ra.h"

typedef void *HANDLE;
typedef unsigned long DWORD;
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define HWND_MESSAGE ((void *)(intptr_t)-3)

__declspec(dllimport) HANDLE __stdcall GetStdHandle(DWORD which);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void *data, DWORD size,
                                              DWORD *written, void *overlapped);
__declspec(dllimport) void __stdcall ExitProcess(unsigned code);
__declspec(dllimport) void *__stdcall CreateWindowExA(DWORD exStyle, const char *className,
                                                      const char *title, DWORD style, int x, int y,
                                                      int width, int height, void *parent,
                                                      void *menu, void *instance, void *param);

static unsigned failures;

static void Write(const char *text) {
  DWORD length = 0, written = 0;
  while (text[length]) ++length;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, length, &written, 0);
}

static void WriteNumber(int32_t value) {
  char digits[12];
  int at = (int)sizeof digits - 1;
  uint32_t magnitude = value < 0 ? 0u - (uint32_t)value : (uint32_t)value;
  digits[at] = 0;
  do {
    digits[--at] = (char)('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) digits[--at] = '-';
  Write(digits + at);
}

static void Check(int ok, const char *what) {
  Write(ok ? "ok   " : "FAIL ");
  Write(what);
  Write("\n");
  if (!ok) ++failures;
}

static void CheckResult(int32_t got, int32_t want, const char *what) {
  Check(got == want, what);
  if (got != want) {
    Write("     got ");
    WriteNumber(got);
    Write("\n");
  }
}

void CallerMain(void) {
  uint32_t values[2] = {0xAAAAAAAAu, 0x55555555u};
  uint8_t status = 4, length = 2, info[8];
  const uint8_t text[2] = {'A', 'B'}, command[3] = {0x0A, 0x0A, 0x16}, count = 3;
  void *window = CreateWindowExA(0, "STATIC", "msvc_caller", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  Check(window != 0, "a message-only window");
  CheckResult(Xinit(), XR_OK, "Xinit() -> XR_OK");
  CheckResult(XOpen(0), XR_BAD_WINDOW, "XOpen(0) -> XR_BAD_WINDOW");
  CheckResult(XOpen(window), XR_NO_DEVICE, "XOpen(window), no receiver -> XR_NO_DEVICE");
  CheckResult(XGetInput(values, &status), XR_NOT_OPEN, "XGetInput -> XR_NOT_OPEN");
  Check(values[0] == 0xAAAAAAAAu && values[1] == 0x55555555u && status == 4,
        "XGetInput left the values alone");
  CheckResult(XSendOutput(text, &length), XR_NO_DEVICE, "XSendOutput -> XR_NO_DEVICE");
  CheckResult(XWritDev(command, &count), XR_NO_DEVICE, "XWritDev -> XR_NO_DEVICE");
  CheckResult(GetDeviceData(info, 2), 0, "GetDeviceData -> 0");
  CheckResult(XClose(), -1, "XClose -> -1");
  ExitProcess(failures);
}
