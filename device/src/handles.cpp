// Every close of a device handle. On a synchronous handle a close does not
// end a read pending on it (it waits for that read), and a closed handle's
// value is handed out again at once; so the caller's thread never closes the
// input handle the reader is reading, it leaves that close to the reader.
#include "library.h"

namespace mqd7ra {

namespace {

constexpr int kCancelAttempts = 50;
constexpr uint32_t kCancelRetryMs = 1;

}  // namespace

// Marks the input handle invalid and closes it, or, while the reader is in a
// read on it, hands it to the reader to close when that read returns. -1 when
// none was open, else the close result (nonzero when handed on).
int32_t Library::ReleaseInputLocked() {
  const DeviceHandle input = inputHandle.exchange(kInvalidHandle);
  if (input == kInvalidHandle) return -1;
  if (input == readingHandle) {
    retiredInput = input;
    return 1;
  }
  return platform.CloseDevice(input);
}

void Library::ReleaseFeatureLocked() {
  const DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
  if (feature != kInvalidHandle) platform.CloseDevice(feature);
}

// For the reader once it has left its read, or for the caller's thread once
// the reader has been ended by force (its pending read ended with it).
void Library::CloseRetiredLocked() {
  readingHandle = kInvalidHandle;
  if (retiredInput == kInvalidHandle) return;
  platform.CloseDevice(retiredInput);
  retiredInput = kInvalidHandle;
}

// Makes the reader's read on a handed-on handle return now rather than at the
// next report. A cancel that comes before the read has begun is lost, so it
// is repeated until one reaches the read or the reader has left it. A read
// that ignores cancels keeps its handle until it returns; nothing waits on it.
void Library::PullReaderOffRetired() {
  for (int attempt = 0; attempt < kCancelAttempts; ++attempt) {
    {
      std::lock_guard<std::mutex> lock(handleLock);
      if (retiredInput == kInvalidHandle || retiredInput != readingHandle) return;
    }
    if (platform.CancelBlockedRead(readerHandle)) return;
    platform.SleepMs(kCancelRetryMs);
  }
}

}  // namespace mqd7ra
