// The reader thread: one blocking read and one posted message per input
// report, loss detection, and the caller's poll (XGetInput).
#include <mqd7ra.h>

#include <exception>

#include "input_report.h"
#include "library.h"

namespace mqd7ra {

namespace {
constexpr uint32_t kLostPassMs = 100;
}

// The reader clears readerId as it leaves, but only while it still names
// this reader: the id of a reader started after this one was given up is
// not this one's to clear. A reader ended by force clears nothing.
uint32_t Library::ReaderThread(void *parameter) {
  Library &library = *static_cast<Library *>(parameter);
  uint32_t self = library.readerId;
  try {
    library.ReaderLoop(self);
  } catch (const std::exception &) {
    library.LeaveAfterFault();
    library.readerId.compare_exchange_strong(self, 0);
  }
  return 0;
}

// While no input handle is open the reader posts WM_DEVICE_CHECK about every
// 100 ms; an open that brings a handle wakes it to read at once.
void Library::ReaderLoop(uint32_t self) {
  while (!LeaveIfStopped(self)) {
    if (inputHandle == kInvalidHandle) {
      if (!platform.SleepUntilWoken(kLostPassMs)) Post(WM_DEVICE_CHECK, 0, 0);
      continue;
    }
    if (!ReadOneReport() && readPhase == kEndingByForce) return;
  }
}

// Decided under the handle lock, under which an open may ask a reader that
// a close gave up waiting for to go on (KeepReader). With no stop asked the
// lock is not taken: the read that follows checks again under it
// (BeginRead), so a stop asked meanwhile is seen there, as before.
bool Library::LeaveIfStopped(uint32_t self) {
  if (stopRequested == 0) return false;
  std::lock_guard<NoThrowMutex> lock(handleLock);
  if (stopRequested == 0) return false;
  readerId.compare_exchange_strong(self, 0);
  return true;
}

// Something in the reader threw (outside any read): the receiver is taken as
// lost, so that no handle is left behind and the window re-opens, and the
// next XOpen starts a new reader.
void Library::LeaveAfterFault() noexcept {
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    CloseRetiredLocked();
    ReleaseInputLocked();
    ReleaseFeatureLocked();
  }
  Post(WM_DEVICE_CHECK, 0, 0);
}

// A report is posted even when its handle was taken away during the read: no
// other handle of that interface is open meanwhile, so it comes only once.
// A read that fails on the handle still in place means the receiver is gone:
// one WM_DEVICE_CHECK.
bool Library::ReadOneReport() {
  const DeviceHandle handle = BeginRead();
  if (handle == kInvalidHandle) return false;
  uint8_t report[kReportLength] = {kInputReportPrimer};
  readPhase = kInRead;
  const ReadResult result = platform.ReadReport(handle, report, kReportLength);
  uint8_t phase = kInRead;
  if (!readPhase.compare_exchange_strong(phase, kOutsideRead)) return false;  // being ended
  const bool lost = EndRead(handle, result);
  if (result == ReadResult::kReport) {
    const DecodedInput input = DecodeInputReport(report, deviceType);
    currentInput = input.word;
    wheelAccumulator.fetch_add(input.wheelDelta);
    Post(WM_DEVICE_INPUT, input.wParam, static_cast<intptr_t>(input.word));
    return true;
  }
  if (lost) Post(WM_DEVICE_CHECK, 0, 0);
  return false;
}

// The handle to read, marked as being read under the lock that every close
// takes; -1 when there is none or a stop is asked for.
DeviceHandle Library::BeginRead() {
  std::lock_guard<NoThrowMutex> lock(handleLock);
  if (stopRequested != 0 || inputHandle == kInvalidHandle) return kInvalidHandle;
  readingHandle = inputHandle;
  cancelAsked = false;
  return readingHandle;
}

// Closes a handle taken away during the read. A read on the handle still in
// place that failed, or was aborted without the library asking, with no stop
// asked for, is a loss: both handles are closed here, under the lock that
// feature requests take. True for a loss.
bool Library::EndRead(DeviceHandle handle, ReadResult result) {
  std::lock_guard<NoThrowMutex> lock(handleLock);
  CloseRetiredLocked();
  if (result == ReadResult::kReport || stopRequested != 0 || inputHandle != handle) return false;
  if (result == ReadResult::kCancelled && cancelAsked) return false;
  ReleaseInputLocked();
  ReleaseFeatureLocked();
  return true;
}

void Library::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  platform.PostToWindow(targetWindow, message, wParam, lParam);
}

int32_t Library::XGetInput(uint32_t *values, uint8_t *status) {
  if (values == nullptr || status == nullptr) return XR_NOT_OPEN;
  if (inputHandle == kInvalidHandle || stopRequested != 0) {
    currentInput = 0;
    wheelAccumulator = 0;
    return XR_NOT_OPEN;
  }
  values[0] = currentInput;
  values[1] = static_cast<uint32_t>(wheelAccumulator.exchange(0));
  *status = 2;
  return XR_OK;
}

}  // namespace mqd7ra
