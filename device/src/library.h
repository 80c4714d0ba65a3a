// The device library's state and its seven operations, on a platform port.
// One instance serves one receiver; the exports wrap a process-wide one.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

namespace mqd7ra {

class Library {
 public:
  static constexpr size_t kFrameBufferSize = 64;

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
  // connection.cpp
  void DropHandles();
  void ScanInterfaces();
  bool TakeInterface(DeviceHandle handle, const ReportLengths &lengths);
  void SendGreeting();
  void StartReader();
  void StopReader();
  void CloseBothHandles();

  // handles.cpp: every close of a device handle, under handleLock.
  int32_t ReleaseInputLocked();
  void ReleaseFeatureLocked();
  void CloseRetiredLocked();
  void PullReaderOffRetired();

  // reader.cpp
  static uint32_t ReaderThread(void *parameter);
  void ReaderLoop();
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

  // Guards the handles' use and close across the two threads. Never held
  // across the blocking read.
  std::mutex handleLock;
  // The input handle the reader is reading (or about to read), and an input
  // handle taken away while the reader reads it: the reader closes that one
  // when its read returns. A handle value is thus never closed, and so never
  // handed out again by the platform, while the reader may still use it.
  DeviceHandle readingHandle = kInvalidHandle;
  DeviceHandle retiredInput = kInvalidHandle;
  // Set by the first Xinit: from then on the handles hold real values or -1.
  bool initialised = false;
};

}  // namespace mqd7ra
