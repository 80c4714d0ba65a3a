// Finding and opening the receiver (XOpen), greeting it, and the stop
// handshake with the reader (XClose).
#include <mqd7ra.h>

#include "device_type.h"
#include "feature_report.h"
#include "library.h"

namespace mqd7ra {

namespace {

constexpr uint32_t kMaxInterfacesScanned = 25;
constexpr uint8_t kInterfacesWanted = 2;
constexpr uint16_t kReportLength = kFeatureReportLength;  // both interfaces use 8-byte reports
constexpr size_t kPathCapacity = 1024;
constexpr int kStopWaitSteps = 20;
constexpr uint32_t kStopWaitStepMs = 100;

}  // namespace

int32_t Library::XOpen(WindowHandle window) {
  if (featureHandle != kInvalidHandle) return XR_OK;
  if (window == 0) return XR_BAD_WINDOW;
  targetWindow = window;
  DropHandles();
  if (!platform.OpenInterfaceList()) return XR_NO_DEVICE;
  ScanInterfaces();
  platform.CloseInterfaceList();
  if (inputHandle == kInvalidHandle || interfaceCount == 0) return XR_NO_DEVICE;
  SendGreeting();
  if (readerId == 0) StartReader();
  if (readerHandle != 0) return XR_OK;
  CloseBothHandles();
  readerId = 0;
  return XR_NO_DEVICE;
}

// Marks both handles invalid. An input handle still open (the last scan found
// no feature interface) is closed first; a reader blocked on it is woken and
// sees by the generation that the handle was taken away, not lost.
void Library::DropHandles() {
  DeviceHandle old;
  {
    std::lock_guard<std::mutex> lock(handleLock);
    old = inputHandle.exchange(kInvalidHandle);
    featureHandle = kInvalidHandle;
    ++inputGeneration;
    if (old != kInvalidHandle) platform.CloseDevice(old);
  }
  if (old != kInvalidHandle && readerHandle != 0) platform.CancelBlockedRead(readerHandle);
}

void Library::ScanInterfaces() {
  interfaceCount = 0;  // every scan counts its own interfaces
  char path[kPathCapacity];
  for (uint32_t index = 0; index < kMaxInterfacesScanned; ++index) {
    if (!platform.InterfacePath(index, path, sizeof path)) return;
    DeviceHandle handle = platform.OpenDevice(path);
    if (handle == kInvalidHandle) continue;
    HidAttributes attributes;
    if (!platform.GetAttributes(handle, &attributes)) {
      platform.CloseDevice(handle);
      return;
    }
    if (!IsReceiver(attributes.vendorId, attributes.productId)) {
      platform.CloseDevice(handle);
      continue;
    }
    deviceType = DeviceTypeFor(attributes.productId);
    ReportLengths lengths;
    if (!platform.GetReportLengths(handle, &lengths) || !TakeInterface(handle, lengths)) {
      platform.CloseDevice(handle);
      continue;
    }
    ++interfaceCount;
    if (interfaceCount >= kInterfacesWanted) return;
  }
}

// Keeps the handle as the feature or the input interface; an interface with
// both report kinds is the feature one. A handle it replaces is closed.
bool Library::TakeInterface(DeviceHandle handle, const ReportLengths &lengths) {
  std::atomic<DeviceHandle> *slot = nullptr;
  if (lengths.feature == kReportLength) {
    slot = &featureHandle;
  } else if (lengths.input == kReportLength) {
    slot = &inputHandle;
  } else {
    return false;
  }
  std::lock_guard<std::mutex> lock(handleLock);
  DeviceHandle replaced = slot->exchange(handle);
  if (slot == &inputHandle) ++inputGeneration;
  if (replaced != kInvalidHandle) platform.CloseDevice(replaced);
  return true;
}

// The receiver's result is of no consequence: without a feature interface
// nothing is delivered and the open goes on.
void Library::SendGreeting() {
  const uint8_t greeting[kReportLength] = {
      kFeatureReportId, kFrameMark1, kFrameMark2, platform.UtcDayOfMonth(), 0x20, 0x20, 0x20, 0x20};
  for (size_t i = 0; i < kReportLength; ++i) frameBuffer[i] = greeting[i];
  SendFeature(frameBuffer, kReportLength);
}

void Library::StartReader() {
  stopRequested = 0;
  uint32_t id = 0;
  ThreadHandle thread = platform.CreateSuspendedThread(&Library::ReaderThread, this, &id);
  if (thread == 0) return;
  readerId = id;
  readerHandle = thread;
  platform.ResumeThread(thread);
}

int32_t Library::XClose() {
  interfaceCount = 0;
  stopRequested = 1;
  if (readerId != 0) StopReader();
  if (readerHandle != 0) {
    platform.CloseThread(readerHandle);
    readerHandle = 0;
  }
  std::lock_guard<std::mutex> lock(handleLock);
  DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
  if (feature != kInvalidHandle) platform.CloseDevice(feature);
  DeviceHandle input = inputHandle.exchange(kInvalidHandle);
  ++inputGeneration;
  if (input == kInvalidHandle) return -1;
  return platform.CloseDevice(input);
}

// Pulls the reader out of a blocked read and waits, within 20 x 100 ms, for it
// to leave. Only a reader that still has not left is ended by force, with the
// handle lock held so that it cannot be holding it.
void Library::StopReader() {
  if (readerHandle == 0) return;
  bool ended = false;
  for (int step = 0; step < kStopWaitSteps && !ended; ++step) {
    platform.CancelBlockedRead(readerHandle);
    ended = platform.WaitForThread(readerHandle, kStopWaitStepMs) || readerId == 0;
  }
  if (ended) return;
  {
    std::lock_guard<std::mutex> lock(handleLock);
    platform.TerminateThread(readerHandle);
  }
  readerId = 0;
}

void Library::CloseBothHandles() {
  std::lock_guard<std::mutex> lock(handleLock);
  DeviceHandle input = inputHandle.exchange(kInvalidHandle);
  DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
  ++inputGeneration;
  if (input != kInvalidHandle) platform.CloseDevice(input);
  if (feature != kInvalidHandle) platform.CloseDevice(feature);
}

}  // namespace mqd7ra
