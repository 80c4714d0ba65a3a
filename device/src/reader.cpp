// The reader thread: one blocking read and one posted message per input
// report, loss detection, and the caller's poll (XGetInput).
#include <mqd7ra.h>

#include "input_report.h"
#include "library.h"

namespace mqd7ra {

namespace {
constexpr uint32_t kLostPassMs = 100;
}

uint32_t Library::ReaderThread(void *parameter) {
  static_cast<Library *>(parameter)->ReaderLoop();
  return 0;
}

void Library::ReaderLoop() {
  while (stopRequested == 0) {
    if (inputHandle == kInvalidHandle) {
      platform.SleepMs(kLostPassMs);
      Post(WM_DEVICE_CHECK, 0, 0);
      continue;
    }
    ReadOneReport();
  }
  readerId = 0;
}

// A report is posted even when its handle was taken away during the read: it
// came before the handle that replaces it was opened. A failed read on the
// handle still in place means the receiver is gone: one WM_DEVICE_CHECK.
bool Library::ReadOneReport() {
  const DeviceHandle handle = BeginRead();
  if (handle == kInvalidHandle) return false;
  uint8_t report[kReportLength] = {kInputReportPrimer};
  const ReadResult result = platform.ReadReport(handle, report, kReportLength);
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
  std::lock_guard<std::mutex> lock(handleLock);
  if (stopRequested != 0 || inputHandle == kInvalidHandle) return kInvalidHandle;
  readingHandle = inputHandle;
  return readingHandle;
}

// Closes a handle taken away during the read. A failed read on the handle
// still in place, with no stop asked for, is a loss: both handles are closed
// here, under the lock that feature requests take. True for a loss.
bool Library::EndRead(DeviceHandle handle, ReadResult result) {
  std::lock_guard<std::mutex> lock(handleLock);
  CloseRetiredLocked();
  if (result != ReadResult::kFailed || stopRequested != 0 || inputHandle != handle) return false;
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
