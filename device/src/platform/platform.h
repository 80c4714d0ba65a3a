// The narrow set of operating-system services the library's algorithms use.
// The Win32 implementation (win32/) calls SetupAPI, hid.dll, kernel and user
// functions; the tests' strict virtual platform (testsupport::VirtualPlatform)
// implements the same interface in-process, over the virtual receiver's
// model, so that native tests drive the real library code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mqd7ra {

// A device handle as the platform gives it; kInvalidHandle when not open.
using DeviceHandle = intptr_t;
constexpr DeviceHandle kInvalidHandle = -1;

// A thread handle; 0 means none.
using ThreadHandle = uintptr_t;

// A window handle as the caller passes it to XOpen.
using WindowHandle = uintptr_t;

struct HidAttributes {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

// Report lengths in bytes, report ID included (8 = ID + 7 data bytes).
struct ReportLengths {
  uint16_t input = 0;
  uint16_t feature = 0;
};

using ThreadEntry = uint32_t (*)(void *parameter);

// One entry of the HID interface list: its path, a path that could not be
// read (the interface is skipped), the end of the list, or a failure of the
// listing itself (the rest of the list is unknown).
enum class ListEntry { kPath, kUnreadable, kEnd, kFailed };

// How a blocking read ended. kCancelled is the system's word that the read
// was aborted (ERROR_OPERATION_ABORTED); whether the library asked for that
// is for the library to know.
enum class ReadResult { kReport, kFailed, kCancelled };

class Platform {
 public:
  virtual ~Platform() = default;

  // --- HID interface enumeration (one list open at a time) ---
  // Lists the HID interfaces present now; false when no list could be made.
  virtual bool OpenInterfaceList() = 0;
  // Device path of the interface at index (0-based) into path (NUL-ended).
  virtual ListEntry InterfacePath(uint32_t index, char *path, size_t capacity) = 0;
  virtual void CloseInterfaceList() = 0;

  // --- Device handles ---
  // Opens a path for synchronous reading, shared for reading and writing.
  virtual DeviceHandle OpenDevice(const char *path) = 0;
  // Nonzero on success, as the platform reports it.
  virtual int32_t CloseDevice(DeviceHandle handle) = 0;
  virtual bool GetAttributes(DeviceHandle handle, HidAttributes *attributes) = 0;
  // Parsed report description and capabilities, released before returning.
  virtual bool GetReportLengths(DeviceHandle handle, ReportLengths *lengths) = 0;
  // Blocks until one input report arrives, the read fails or it is
  // cancelled. Bytes a short read leaves untouched keep their values. A close
  // of the handle does not end the read: the platform closes a handle only
  // once no read is pending on it.
  virtual ReadResult ReadReport(DeviceHandle handle, uint8_t *buffer, uint32_t length) = 0;
  // How many input reports the HID class driver keeps for this handle until
  // they are read (HidD_SetNumInputBuffers: 2 to 512; 32 unless set); the
  // oldest is dropped when a new one finds them all taken. False when
  // refused.
  virtual bool SetInputRingSize(DeviceHandle handle, uint32_t reports) = 0;
  virtual bool SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) = 0;
  virtual bool GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) = 0;

  // --- Threads ---
  // Creates a suspended thread; writes its id (nonzero) and returns its
  // handle, or 0 when it could not be created.
  virtual ThreadHandle CreateSuspendedThread(ThreadEntry entry, void *parameter,
                                             uint32_t *threadId) = 0;
  virtual void ResumeThread(ThreadHandle thread) = 0;
  // Asks the system to cancel the read the thread has pending. True when one
  // was pending; a cancel that comes before the read has begun is lost. The
  // read may end after this returns, with a report or as cancelled, or, on a
  // stack that ignores cancels, only when a report comes.
  virtual bool CancelBlockedRead(ThreadHandle thread) = 0;
  // Waits up to the given time for the thread to end; true once it has.
  virtual bool WaitForThread(ThreadHandle thread, uint32_t milliseconds) = 0;
  // Ends the thread by force (last resort: it may hold no lock then). Its
  // pending read is cancelled as by CancelBlockedRead; one that ignores
  // cancels keeps the ended thread, and its handle busy, until it completes.
  virtual void TerminateThread(ThreadHandle thread) = 0;
  virtual void CloseThread(ThreadHandle thread) = 0;
  virtual void SleepMs(uint32_t milliseconds) = 0;
  // Sleeps up to the given time, or until Wake(); true when woken. A wake
  // that comes while nobody sleeps ends the next such sleep at once.
  virtual bool SleepUntilWoken(uint32_t milliseconds) = 0;
  virtual void Wake() = 0;

  // --- Time and windows ---
  // Day of the month (1..31) of the current UTC date.
  virtual uint8_t UtcDayOfMonth() = 0;
  // Queues a message for a window without waiting; failures are ignored.
  virtual void PostToWindow(WindowHandle window, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) = 0;
};

}  // namespace mqd7ra
