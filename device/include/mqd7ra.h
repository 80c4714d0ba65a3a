/*
 * MQD7RA.dll: the pendant receiver's device library.
 *
 * Seven plain-C exports, undecorated, standard calling convention (the callee
 * removes its arguments); every result is a signed 32-bit integer. Usable from
 * C and C++, with MSVC and MinGW. Callers may link the import library or bind
 * each export at run time with GetProcAddress; the MQD7RA_*_FN typedefs give
 * the exact function-pointer types for the latter.
 *
 * Calling order: Xinit once, then XOpen with the window that receives the
 * WM_DEVICE_* messages, the other exports while open, XClose when done. The
 * exports may be called from any thread at any time (they take turns;
 * XGetInput never waits), but never from DllMain.
 */
#ifndef MQD7RA_H
#define MQD7RA_H

#include <stdint.h>

#if defined(_WIN32)
#define MQD7RA_CALL __stdcall
#else
#define MQD7RA_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. GetDeviceData alone answers 1 for success and 0 for failure;
 * XClose answers -1 or the platform's close result. */
#define XR_OK 0
#define XR_NO_DEVICE 100
#define XR_WRITE_FAILED 101
#define XR_NOT_OPEN 102
#define XR_BAD_WINDOW 103

/* Messages posted (never sent) to the window given to XOpen.
 * WM_DEVICE_INPUT: wParam = input report byte 6 (wheel delta) as 0..255,
 *                  lParam = the InputWord.
 * WM_DEVICE_CHECK: wParam = 0, lParam = 0 after a lost receiver and about
 *                  every 100 ms while none is open. */
#define WM_DEVICE_INPUT 1201 /* WM_USER + 177 */
#define WM_DEVICE_CHECK 1202 /* WM_USER + 178 */

/* Packed input value: input report bytes 2..5. */
typedef uint32_t InputWord;

#define INPUTWORD_KEY1(w) ((uint8_t)((w)&0xFFu))           /* first key, 0 for none */
#define INPUTWORD_KEY2(w) ((uint8_t)(((w) >> 8) & 0xFFu))  /* second key, 0 for none */
#define INPUTWORD_MODE(w) ((uint8_t)(((w) >> 16) & 0xFFu)) /* step code and flags */
#define INPUTWORD_AXIS(w) ((uint8_t)(((w) >> 24) & 0xFFu)) /* axis-selector code */
#define INPUTWORD_MAKE(key1, key2, mode, axis)                                  \
  ((InputWord)(((uint32_t)(uint8_t)(key1)) | ((uint32_t)(uint8_t)(key2) << 8) | \
               ((uint32_t)(uint8_t)(mode) << 16) | ((uint32_t)(uint8_t)(axis) << 24)))

/* Within the mode byte: bits 0..5 step code, bit 6 wheel enabled, bit 7 E-stop. */
#define MODE_STEP_MASK 0x3Fu
#define MODE_WHEEL_ENABLED 0x40u
#define MODE_ESTOP 0x80u

/* Resets the library's state. Always XR_OK. */
int32_t MQD7RA_CALL Xinit(void);

/* Finds and opens the receiver, greets it and starts the reader.
 * XR_OK, XR_NO_DEVICE or XR_BAD_WINDOW. Returns XR_OK at once while the
 * feature interface is open. */
int32_t MQD7RA_CALL XOpen(void *window);

/* Stops the reader and closes the receiver. -1 when no input interface was
 * open, otherwise the nonzero result of closing it. */
int32_t MQD7RA_CALL XClose(void);

/* values[0] = last InputWord, values[1] = wheel sum since the last call
 * (then cleared), *status = 2. XR_OK, or XR_NOT_OPEN with nothing written. */
int32_t MQD7RA_CALL XGetInput(uint32_t *values, uint8_t *status);

/* Frames payload[0..*length) (at most 61 bytes) for the LCD and sends it;
 * *length becomes the frame length. XR_OK, XR_NO_DEVICE or XR_WRITE_FAILED. */
int32_t MQD7RA_CALL XSendOutput(const uint8_t *payload, uint8_t *length);

/* Sends *count raw command bytes after a command prelude; *count is only
 * read. XR_OK, XR_NO_DEVICE or XR_WRITE_FAILED. */
int32_t MQD7RA_CALL XWritDev(const uint8_t *bytes, const uint8_t *count);

/* Reads the receiver's 8-byte information report into buffer; byte 7 is
 * replaced by the pendant family's DeviceType. kind must be nonzero. 1 when read, else 0. */
int32_t MQD7RA_CALL GetDeviceData(uint8_t *buffer, uint8_t kind);

typedef int32_t(MQD7RA_CALL *MQD7RA_XINIT_FN)(void);
typedef int32_t(MQD7RA_CALL *MQD7RA_XOPEN_FN)(void *window);
typedef int32_t(MQD7RA_CALL *MQD7RA_XCLOSE_FN)(void);
typedef int32_t(MQD7RA_CALL *MQD7RA_XGETINPUT_FN)(uint32_t *values, uint8_t *status);
typedef int32_t(MQD7RA_CALL *MQD7RA_XSENDOUTPUT_FN)(const uint8_t *payload, uint8_t *length);
typedef int32_t(MQD7RA_CALL *MQD7RA_XWRITDEV_FN)(const uint8_t *bytes, const uint8_t *count);
typedef int32_t(MQD7RA_CALL *MQD7RA_GETDEVICEDATA_FN)(uint8_t *buffer, uint8_t kind);

#ifdef __cplusplus
}
#endif

#endif /* MQD7RA_H */
