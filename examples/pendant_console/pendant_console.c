/*
 * pendant_console: shows what the pendant sends, in a console.
 *
 * A starting point for programs that use MQD7RA.dll. It links the import
 * library (no LoadLibrary), gives the library a message-only window for its
 * two messages, prints every WM_DEVICE_INPUT decoded and every
 * WM_DEVICE_CHECK, re-opens the receiver when it is lost (and every 200 ms
 * while it is missing), shows the last key pressed on the pendant's LCD, and
 * calls XClose when Ctrl+C ends it. All library calls are made on this one
 * thread, as the library requires.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "mqd7ra.h"

#define RETRY_TIMER 1
#define RETRY_PERIOD_MS 200

static HWND g_window;
static HANDLE g_closed;   /* set once XClose has returned */
static int g_open;        /* 1 while the library has the receiver open */
static uint8_t g_lastKey; /* first key of the previous input, 0 for none */

/* One line of output, flushed at once so that a pipe sees it now. */
static void Say(const char *format, ...) {
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  putchar('\n');
  fflush(stdout);
}

/* Polls the library; on a lost receiver closes and re-opens it. */
static void CheckConnection(void) {
  uint32_t values[2];
  uint8_t status = 4;
  if (g_open && XGetInput(values, &status) != XR_OK) {
    g_open = 0;
    Say("receiver lost");
  }
  if (!g_open) {
    XClose();
    if (XOpen(g_window) == XR_OK) {
      g_open = 1;
      Say("receiver reopened");
    }
  }
}

/* Copies text into a fixed-width LCD line, space-filled. */
static void PutLine(uint8_t *line, size_t width, const char *text) {
  size_t length = strlen(text);
  if (length > width) length = width;
  memset(line, ' ', width);
  memcpy(line, text, length);
}

/* Sends "Key N" as the first of the LCD's four lines (11, 16, 16 and 16
 * bytes, 59 in all), the other three empty. */
static void ShowKeyOnDisplay(uint8_t key) {
  uint8_t payload[59];
  uint8_t length = sizeof payload;
  char text[16];
  int32_t result;
  snprintf(text, sizeof text, "Key %u", (unsigned)key);
  PutLine(payload, 11, text);
  PutLine(payload + 11, 48, "");
  result = XSendOutput(payload, &length);
  Say("XSendOutput -> %ld", (long)result);
  if (result != XR_OK) g_open = 0; /* the retry timer re-opens it */
}

static void ShowInput(WPARAM wParam, LPARAM lParam) {
  InputWord word = (InputWord)lParam;
  uint8_t mode = INPUTWORD_MODE(word);
  int delta = (int)(signed char)(uint8_t)(wParam & 0xFFu);
  Say("input key1=%u key2=%u step=%u axis=%u wheel=%s estop=%s delta=%+d",
      (unsigned)INPUTWORD_KEY1(word), (unsigned)INPUTWORD_KEY2(word),
      (unsigned)(mode & MODE_STEP_MASK), (unsigned)INPUTWORD_AXIS(word),
      (mode & MODE_WHEEL_ENABLED) ? "on" : "off", (mode & MODE_ESTOP) ? "on" : "off", delta);
  if (INPUTWORD_KEY1(word) != 0 && INPUTWORD_KEY1(word) != g_lastKey)
    ShowKeyOnDisplay(INPUTWORD_KEY1(word));
  g_lastKey = INPUTWORD_KEY1(word);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DEVICE_INPUT:
      ShowInput(wParam, lParam);
      return 0;
    case WM_DEVICE_CHECK:
      Say("check lParam=%ld", (long)lParam);
      CheckConnection();
      return 0;
    case WM_TIMER:
      if (!g_open) CheckConnection();
      return 0;
    case WM_DESTROY:
      KillTimer(window, RETRY_TIMER);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

/* Runs on a thread of its own: asks the window's thread to end. When the
 * console window closes, Windows ends the process as soon as this returns,
 * so it waits (within the few seconds Windows allows) until XClose is done. */
static BOOL WINAPI OnConsoleControl(DWORD event) {
  PostMessageA(g_window, WM_CLOSE, 0, 0);
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) WaitForSingleObject(g_closed, 4000);
  return TRUE;
}

static HWND MakeMessageWindow(void) {
  WNDCLASSA windowClass;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = "PendantConsole";
  if (!RegisterClassA(&windowClass)) return NULL;
  return CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                         windowClass.hInstance, NULL);
}

int main(void) {
  MSG message;
  int32_t result;
  g_window = MakeMessageWindow();
  if (!g_window) {
    Say("cannot make a window (error %lu)", (unsigned long)GetLastError());
    return 1;
  }
  g_closed = CreateEventA(NULL, TRUE, FALSE, NULL);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  Xinit();
  result = XOpen(g_window);
  Say("XOpen -> %ld%s", (long)result, result == XR_OK ? "" : " (waiting for the receiver)");
  g_open = result == XR_OK;
  SetTimer(g_window, RETRY_TIMER, RETRY_PERIOD_MS, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  Say("XClose -> %ld", (long)XClose());
  SetEvent(g_closed);
  return 0;
}
