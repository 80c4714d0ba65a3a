// Finding and opening the receiver (XOpen), greeting it and starting the
// reader.
#include <mqd7ra.h>

#include "device_type.h"
#include "feature_report.h"
#include "interface_ids.h"
#include "library.h"

namespace mqd7ra {

namespace {

constexpr uint8_t kInterfacesWanted = 2;
// The receiver's two interfaces arrive a few milliseconds apart, in either
// order. A scan that took one of them new without the other looks again,
// for up to 20 x 50 ms.
constexpr int kPartnerWaitSteps = 20;
constexpr uint32_t kPartnerWaitStepMs = 50;

}  // namespace

int32_t Library::XOpen(WindowHandle window) {
  std::lock_guard<NoThrowMutex> lock(callLock);
  return Connect(window);
}

// An input handle that the scan finds again is kept, not re-opened: the
// reader goes on reading it and not one report is lost or doubled.
int32_t Library::Connect(WindowHandle window) {
  if (featureHandle != kInvalidHandle) return XR_OK;
  if (window == 0) return XR_BAD_WINDOW;
  targetWindow = window;
  ReclaimAbandoned();
  inputIsNew = false;
  if (!ScanOnce()) return XR_NO_DEVICE;
  const bool inputOnly = inputIsNew && featureHandle == kInvalidHandle;
  const bool featureOnly = featureHandle != kInvalidHandle && inputHandle == kInvalidHandle;
  if (inputOnly || featureOnly) AwaitPartnerInterface();
  if (inputHandle == kInvalidHandle || interfaceCount == 0) return XR_NO_DEVICE;
  SendGreeting();
  if (!KeepReader()) StartReader();
  if (readerHandle != 0) {
    platform.Wake();  // a reader that had no handle reads at once
    return XR_OK;
  }
  CloseBothHandles();
  readerId = 0;
  return XR_NO_DEVICE;
}

// One look at the interfaces listed now. An input handle that a look at the
// whole list does not find again is released; a look cut short by a failed
// listing releases nothing. False when no list could be made.
bool Library::ScanOnce() {
  inputTaken = false;
  if (!platform.OpenInterfaceList()) return false;
  const bool whole = ScanInterfaces();
  platform.CloseInterfaceList();
  if (whole && !inputTaken) ReleaseInput();
  return true;
}

// Walks the whole list, however long: the receiver may be listed after any
// number of other devices. Only interfaces that may be the receiver's are
// opened and counted; those of other vendors, told by the IDs in their
// paths, are never touched. False when the listing failed part-way.
bool Library::ScanInterfaces() {
  interfaceCount = 0;  // every scan counts its own interfaces
  char path[kPathCapacity];
  for (uint32_t index = 0;; ++index) {
    const ListEntry entry = platform.InterfacePath(index, path, sizeof path);
    if (entry == ListEntry::kEnd) return true;
    if (entry == ListEntry::kFailed) return false;
    if (entry != ListEntry::kPath || !MayBeReceiver(path) || !TakeIfReceiver(path)) continue;
    ++interfaceCount;
    if (interfaceCount >= kInterfacesWanted) return true;
  }
}

// A path without readable IDs may still be the receiver's: it is opened
// and asked.
bool Library::MayBeReceiver(const char *path) {
  HidAttributes ids;
  return !IdsFromPath(path, &ids) || IsReceiver(ids.vendorId, ids.productId);
}

// Opens the interface and keeps it when it is one of the receiver's two. An
// interface that cannot be opened or asked (going away, or its driver
// refuses) is skipped.
bool Library::TakeIfReceiver(const char *path) {
  const DeviceHandle handle = platform.OpenDevice(path);
  if (handle == kInvalidHandle) return false;
  HidAttributes attributes;
  if (!platform.GetAttributes(handle, &attributes) ||
      !IsReceiver(attributes.vendorId, attributes.productId)) {
    platform.CloseDevice(handle);
    return false;
  }
  deviceType = DeviceTypeFor(attributes.productId);
  ReportLengths lengths;
  if (!platform.GetReportLengths(handle, &lengths) || !TakeInterface(handle, path, lengths)) {
    platform.CloseDevice(handle);
    return false;
  }
  return true;
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

// Without its feature interface a connection gets no greeting, and without
// its input interface it gets no reader; the other interface of a receiver
// just plugged in may still be on its way. A reader reads meanwhile, so
// that the pendant's reports do not pile up. A receiver that has only the
// one interface is left as the scan found it.
void Library::AwaitPartnerInterface() {
  const bool inputFirst = inputHandle != kInvalidHandle;
  if (inputFirst && !KeepReader()) StartReader();
  platform.Wake();
  for (int step = 0; step < kPartnerWaitSteps; ++step) {
    const bool kept = inputFirst ? inputHandle != kInvalidHandle : featureHandle != kInvalidHandle;
    const bool partner =
        inputFirst ? featureHandle != kInvalidHandle : inputHandle != kInvalidHandle;
    if (partner || !kept) return;
    platform.SleepMs(kPartnerWaitStepMs);
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

// A reader that a close gave up waiting for (held before its read) is still
// the reader: asked to go on, it reads once it runs. Under the lock under
// which a reader decides to leave, so that it either leaves before this or
// goes on after it.
bool Library::KeepReader() {
  std::lock_guard<NoThrowMutex> lock(handleLock);
  if (readerId == 0) return false;
  stopRequested = 0;
  return true;
}

// A reader that left by itself (after a fault) leaves its thread handle.
void Library::StartReader() {
  if (readerHandle != 0) {
    platform.CloseThread(readerHandle);
    readerHandle = 0;
  }
  stopRequested = 0;
  readPhase = kOutsideRead;
  uint32_t id = 0;
  ThreadHandle thread = platform.CreateSuspendedThread(&Library::ReaderThread, this, &id);
  if (thread == 0) return;
  readerId = id;
  readerHandle = thread;
  platform.ResumeThread(thread);
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
