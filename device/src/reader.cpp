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
    uint32_t generation = 0;
    if (!ReadOneReport(&generation)) HandleFailedRead(generation);
  }
  readerId = 0;
}

bool Library::ReadOneReport(uint32_t *generation) {
  DeviceHandle handle;
  {
    std::lock_guard<std::mutex> lock(handleLock);
    handle = inputHandle;
    *generation = inputGeneration;
  }
  if (handle == kInvalidHandle || stopRequested != 0) return false;
  uint8_t report[kInputReportLength] = {kInputReportPrimer};
  if (!platform.ReadReport(handle, report, kInputReportLength)) return false;
  const DecodedInput input = DecodeInputReport(report, deviceType);
  currentInput = input.word;
  wheelAccumulator.fetch_add(input.wheelDelta);
  Post(WM_DEVICE_INPUT, input.wParam, static_cast<intptr_t>(input.word));
  return true;
}

// A read that ended for a stop leaves the handles to XClose and posts
// nothing. One that failed on the handle still in place means the receiver is
// gone: both handles are closed here, under the lock that feature requests take.
void Library::HandleFailedRead(uint32_t generation) {
  {
    std::lock_guard<std::mutex> lock(handleLock);
    if (stopRequested != 0) return;
    if (generation == inputGeneration && inputHandle != kInvalidHandle) {
      DeviceHandle input = inputHandle.exchange(kInvalidHandle);
      DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
      ++inputGeneration;
      platform.CloseDevice(input);
      if (feature != kInvalidHandle) platform.CloseDevice(feature);
    }
  }
  Post(WM_DEVICE_CHECK, 0, 0);
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
