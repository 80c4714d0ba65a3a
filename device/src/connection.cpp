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
// no feature interface) is released: closed, or left to the reader reading it.
void Library::DropHandles() {
  {
    std::lock_guard<std::mutex> lock(handleLock);
    ReleaseInputLocked();
    featureHandle = kInvalidHandle;
  }
  PullReaderOffRetired();
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
// both report kinds is the feature one. A handle it replaces is released.
bool Library::TakeInterface(DeviceHandle handle, const ReportLengths &lengths) {
  const bool feature = lengths.feature == kReportLength;
  if (!feature && lengths.input != kReportLength) return false;
  {
    std::lock_guard<std::mutex> lock(handleLock);
    if (feature) {
      ReleaseFeatureLocked();
      featureHandle = handle;
    } else {
      ReleaseInputLocked();
      inputHandle = handle;
    }
  }
  PullReaderOffRetired();
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
  ReleaseFeatureLocked();
  return ReleaseInputLocked();
}

// Pulls the reader out of a blocked read and waits, within 20 x 100 ms, for it
// to leave. Only a reader that still has not left is ended by force, with the
// handle lock held so that it cannot be holding it; its pending read ends
// with it, so a handle it was reading can be closed now.
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
    CloseRetiredLocked();
  }
  // Termination is asynchronous: wait for it, so that nothing of the ended
  // reader (its last act clears readerId) can run after a new reader starts.
  platform.WaitForThread(readerHandle, kStopWaitSteps * kStopWaitStepMs);
  readerId = 0;
}

void Library::CloseBothHandles() {
  std::lock_guard<std::mutex> lock(handleLock);
  ReleaseInputLocked();
  ReleaseFeatureLocked();
}

}  // namespace mqd7ra
