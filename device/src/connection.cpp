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
constexpr int kStopWaitSteps = 20;
constexpr uint32_t kStopWaitStepMs = 100;
// The receiver's two interfaces arrive a few milliseconds apart, the input
// one usually first. A scan that took a new input handle without the
// feature interface looks again, for up to 20 x 50 ms.
constexpr int kFeatureWaitSteps = 20;
constexpr uint32_t kFeatureWaitStepMs = 50;

}  // namespace

// An input handle that the scan finds again is kept, not re-opened: the
// reader goes on reading it and not one report is lost or doubled.
int32_t Library::XOpen(WindowHandle window) {
  if (featureHandle != kInvalidHandle) return XR_OK;
  if (window == 0) return XR_BAD_WINDOW;
  targetWindow = window;
  ReclaimAbandoned();
  inputIsNew = false;
  if (!ScanOnce()) return XR_NO_DEVICE;
  if (inputIsNew && featureHandle == kInvalidHandle) AwaitFeatureInterface();
  if (inputHandle == kInvalidHandle || interfaceCount == 0) return XR_NO_DEVICE;
  SendGreeting();
  if (readerId == 0) StartReader();
  if (readerHandle != 0) {
    platform.Wake();  // a reader that had no handle reads at once
    return XR_OK;
  }
  CloseBothHandles();
  readerId = 0;
  return XR_NO_DEVICE;
}

// One look at the interfaces listed now. An input handle that the look does
// not find again is released. False when no list could be made.
bool Library::ScanOnce() {
  inputTaken = false;
  const bool listed = platform.OpenInterfaceList();
  if (listed) {
    ScanInterfaces();
    platform.CloseInterfaceList();
  }
  if (!inputTaken) ReleaseInput();
  return listed;
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
    if (!platform.GetReportLengths(handle, &lengths) || !TakeInterface(handle, path, lengths)) {
      platform.CloseDevice(handle);
      continue;
    }
    ++interfaceCount;
    if (interfaceCount >= kInterfacesWanted) return;
  }
}

// Keeps the handle as the feature or the input interface; an interface with
// both report kinds is the feature one. A feature handle it replaces is
// closed; the input interface goes through TakeInputLocked.
bool Library::TakeInterface(DeviceHandle handle, const char *path, const ReportLengths &lengths) {
  const bool feature = lengths.feature == kReportLength;
  if (!feature && lengths.input != kReportLength) return false;
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    if (feature) {
      ReleaseFeatureLocked();
      featureHandle = handle;
    } else {
      TakeInputLocked(handle, path);
      inputTaken = true;
    }
  }
  PullReaderOffRetired();
  return true;
}

// Without its feature interface a connection gets no greeting; the feature
// interface of a receiver just plugged in may still be on its way. The
// reader reads meanwhile, so that the pendant's reports do not pile up.
void Library::AwaitFeatureInterface() {
  if (readerId == 0) StartReader();
  platform.Wake();
  for (int step = 0; step < kFeatureWaitSteps; ++step) {
    if (featureHandle != kInvalidHandle || inputHandle == kInvalidHandle) return;
    platform.SleepMs(kFeatureWaitStepMs);
    if (!ScanOnce()) return;
  }
}

// The receiver's result is of no consequence: without a feature interface
// nothing is delivered and the open goes on.
void Library::SendGreeting() {
  const uint8_t greeting[kReportLength] = {
      kFeatureReportId, kFrameMark1, kFrameMark2, platform.UtcDayOfMonth(), 0x20, 0x20, 0x20, 0x20};
  for (size_t i = 0; i < kReportLength; ++i) frameBuffer[i] = greeting[i];
  SendFeature(frameBuffer, kReportLength);
}

// A reader that left by itself (after a fault) leaves its thread handle.
void Library::StartReader() {
  if (readerHandle != 0) {
    platform.CloseThread(readerHandle);
    readerHandle = 0;
  }
  stopRequested = 0;
  uint32_t id = 0;
  ThreadHandle thread = platform.CreateSuspendedThread(&Library::ReaderThread, this, &id);
  if (thread == 0) return;
  readerId = id;
  readerHandle = thread;
  platform.ResumeThread(thread);
}

// An input handle left to a reader ended in the middle of its read is not
// closed now, but counts as closed: the library has let go of it.
int32_t Library::XClose() {
  interfaceCount = 0;
  stopRequested = 1;
  const bool inputWasOpen = inputHandle != kInvalidHandle;
  if (readerId != 0) StopReader();
  if (readerHandle != 0) {
    platform.CloseThread(readerHandle);
    readerHandle = 0;
  }
  int32_t result = -1;
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    ReleaseFeatureLocked();
    result = ReleaseInputLocked();
  }
  ReclaimAbandoned();
  return result == -1 && inputWasOpen ? 1 : result;
}

// Pulls the reader out of a blocked read and waits, within 20 x 100 ms, for it
// to leave. Only a reader that still has not left is ended by force, with the
// handle lock held so that it cannot be holding it, and waited for again: a
// thread ended in a read ends with its read. Where the read ignores the
// cancel that ending brings, the thread stays in it until the next report;
// the thread and the handle it reads are then set aside, never waited for
// nor closed before the read is over.
void Library::StopReader() {
  if (readerHandle == 0) return;
  platform.Wake();  // a reader between reads leaves at once
  bool ended = false;
  for (int step = 0; step < kStopWaitSteps && !ended; ++step) {
    {
      std::lock_guard<NoThrowMutex> lock(handleLock);
      CancelReadLocked();
    }
    ended = platform.WaitForThread(readerHandle, kStopWaitStepMs) || readerId == 0;
  }
  if (ended) return;
  bool inRead = false;
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    platform.TerminateThread(readerHandle);
    inRead = readingHandle != kInvalidHandle;
  }
  // Termination is asynchronous: a thread ended outside a read ends
  // promptly, and is waited for before a new reader can start.
  const uint32_t waitMs = inRead ? kStopWaitStepMs : kStopWaitSteps * kStopWaitStepMs;
  const bool gone = platform.WaitForThread(readerHandle, waitMs);
  readerId = 0;
  std::lock_guard<NoThrowMutex> lock(handleLock);
  if (!gone && inRead) {
    AbandonReadLocked(readerHandle);
    readerHandle = 0;  // now the set-aside read's
    return;
  }
  CloseRetiredLocked();  // the read, if any, ended with the thread
}

void Library::CloseBothHandles() {
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    ReleaseInputLocked();
    ReleaseFeatureLocked();
  }
  PullReaderOffRetired();
}

}  // namespace mqd7ra
