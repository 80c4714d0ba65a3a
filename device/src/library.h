// The device library's state and its seven operations, on a platform port.
// One instance serves one receiver; the exports wrap a process-wide one.
// Every operation may be called from any thread at any time.
#pragma once

#include <atomic>
#include <cstdint>

#include "no_throw_mutex.h"
#include "platform/platform.h"

namespace mqd7ra {

class Library {
 public:
  static constexpr size_t kFrameBufferSize = 64;
  static constexpr size_t kPathCapacity = 1024;
  // The input handle's ring: half a second of reports at the USB rate, so
  // that a reader descheduled on a busy machine loses nothing.
  static constexpr uint32_t kInputRingReports = 512;

  explicit Library(Platform &platform);
  // Stops a reader that is still running, so that it never outlives the state.
  ~Library();
  Library(const Library &) = delete;
  Library &operator=(const Library &) = delete;

  int32_t Xinit();
  int32_t XOpen(WindowHandle window);
  int32_t XClose();
  int32_t XGetInput(uint32_t *values, uint8_t *status);
  int32_t XSendOutput(const uint8_t *payload, uint8_t *length);
  int32_t XWritDev(const uint8_t *bytes, const uint8_t *count);
  int32_t GetDeviceData(uint8_t *buffer, uint8_t kind);

  // Read-only views for tests and tools.
  DeviceHandle InputHandle() const { return inputHandle.load(); }
  DeviceHandle FeatureHandle() const { return featureHandle.load(); }
  uint8_t DeviceType() const { return deviceType.load(); }
  uint32_t ReaderId() const { return readerId.load(); }

 private:
  // A reader ended by force while its read was still pending, and the handle
  // of that read: neither may be closed before the read is over.
  struct Abandoned {
    ThreadHandle thread = 0;
    DeviceHandle input = kInvalidHandle;
  };
  static constexpr size_t kMaxAbandoned = 4;

  // connection.cpp
  int32_t Connect(WindowHandle window);
  bool ScanOnce();
  bool ScanInterfaces();
  static bool MayBeReceiver(const char *path);
  bool TakeIfReceiver(const char *path);
  bool TakeInterface(DeviceHandle handle, const char *path, const ReportLengths &lengths);
  void AwaitPartnerInterface();
  void SendGreeting();
  bool KeepReader();
  void StartReader();
  void CloseBothHandles();

  // stop.cpp
  int32_t Disconnect();
  bool ReaderDied();
  int32_t ReleaseAfterReaderDied();
  bool StopReader();
  bool EndReadByForce();

  // handles.cpp: every close of a device handle, under handleLock.
  void TakeInputLocked(DeviceHandle handle, const char *path);
  int32_t ReleaseInputLocked();
  void ReleaseFeatureLocked();
  void CloseRetiredLocked();
  void ReleaseInput();
  void PullReaderOffRetired();
  bool CancelReadLocked();
  void AbandonReadLocked(ThreadHandle thread);
  void ReclaimAbandoned();

  // reader.cpp
  static uint32_t ReaderThread(void *parameter);
  void ReaderLoop(uint32_t self);
  bool LeaveIfStopped(uint32_t self);
  void LeaveAfterFault() noexcept;
  bool ReadOneReport();
  DeviceHandle BeginRead();
  bool EndRead(DeviceHandle handle, ReadResult result);
  void Post(uint32_t message, uintptr_t wParam, intptr_t lParam);

  // feature_output.cpp
  int32_t ReopenOnDemand();
  uint8_t BuildDisplayFrame(const uint8_t *payload, uint8_t length);
  int32_t SendInReports(const uint8_t *bytes, uint8_t count);
  bool SendFeature(const uint8_t *report, uint32_t length);

  Platform &platform;

  // LibraryState. Fields the reader shares are atomics; the two device
  // handles are also changed, and used for I/O that must not meet a close,
  // only under handleLock.
  std::atomic<WindowHandle> targetWindow{0};
  std::atomic<DeviceHandle> inputHandle{0};
  std::atomic<DeviceHandle> featureHandle{0};
  std::atomic<uint8_t> deviceType{0};
  uint8_t interfaceCount = 0;
  ThreadHandle readerHandle = 0;
  std::atomic<uint32_t> readerId{0};
  std::atomic<int32_t> stopRequested{0};
  std::atomic<uint32_t> currentInput{0};
  std::atomic<int32_t> wheelAccumulator{0};
  uint8_t frameBuffer[kFrameBufferSize] = {};

  // Makes the exports that touch handles one at a time, whatever threads
  // the caller calls them from. The reader never takes it, so XClose may
  // wait for the reader while holding it; XGetInput does not take it.
  NoThrowMutex callLock;
  // Guards the handles' use and close across the caller's and the reader's
  // threads. Never held across the blocking read.
  NoThrowMutex handleLock;
  // The input handle the reader is reading (or about to read), and an input
  // handle taken away while the reader reads it: the reader closes that one
  // when its read returns. A handle value is thus never closed, and so never
  // handed out again by the platform, while the reader may still use it.
  DeviceHandle readingHandle = kInvalidHandle;
  DeviceHandle retiredInput = kInvalidHandle;
  // The interface paths of the input handle and of the retired one: a scan
  // that finds the interface again keeps the handle it has, for a second
  // handle on one interface would get every report a second time.
  char inputPath[kPathCapacity] = {};
  char retiredPath[kPathCapacity] = {};
  // Set when the current scan took the input interface, and when the handle
  // it took is a new one.
  bool inputTaken = false;
  bool inputIsNew = false;
  // The library asked to cancel the read in progress: only then is a read
  // ending as aborted the library's own doing (under handleLock).
  bool cancelAsked = false;
  Abandoned abandoned[kMaxAbandoned];
  // Where the reader is, for an end by force: only in its read may it be
  // ended (kInRead), and the one who ends it claims the read first
  // (kEndingByForce); a reader whose read returns claimed leaves at once.
  static constexpr uint8_t kOutsideRead = 0;
  static constexpr uint8_t kInRead = 1;
  static constexpr uint8_t kEndingByForce = 2;
  std::atomic<uint8_t> readPhase{kOutsideRead};
  // Set by the first Xinit: from then on the handles hold real values or -1.
  bool initialised = false;
};

}  // namespace mqd7ra
