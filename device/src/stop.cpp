// Ending the reader and closing the receiver (XClose). The reader is ended
// by force only inside its read: anywhere else it may hold a lock (the
// loader lock while it starts, the heap's) and die with it, and every later
// taker of that lock would hang.
#include <mqd7ra.h>

#include "library.h"

namespace mqd7ra {

namespace {
constexpr int kStopWaitSteps = 20;
constexpr uint32_t kStopWaitStepMs = 100;
}  // namespace

int32_t Library::XClose() {
  std::lock_guard<NoThrowMutex> lock(callLock);
  return Disconnect();
}

// An input handle left to a reader ended in the middle of its read is not
// closed now, but counts as closed: the library has let go of it. A reader
// that could not be stopped keeps its thread handle and stays the reader.
int32_t Library::Disconnect() {
  interfaceCount = 0;
  stopRequested = 1;
  if (ReaderDied()) return ReleaseAfterReaderDied();
  const bool inputWasOpen = inputHandle != kInvalidHandle;
  const bool stopped = readerId == 0 || StopReader();
  if (readerHandle != 0 && stopped) {
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

// The reader's thread has ended without leaving its loop: killed, as every
// other thread is when the process exits before a static destructor or a
// DllMain calls XClose. It may have died holding the handle lock.
bool Library::ReaderDied() {
  return readerHandle != 0 && platform.WaitForThread(readerHandle, 0) && readerId != 0;
}

// Closes without the handle lock: the reader is gone, and the other
// callers wait on callLock. A thread has ended only once its read is over,
// so every handle may be closed.
int32_t Library::ReleaseAfterReaderDied() {
  platform.CloseThread(readerHandle);
  readerHandle = 0;
  readerId = 0;
  readingHandle = kInvalidHandle;
  if (retiredInput != kInvalidHandle) platform.CloseDevice(retiredInput);
  retiredInput = kInvalidHandle;
  const DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
  if (feature != kInvalidHandle) platform.CloseDevice(feature);
  const DeviceHandle input = inputHandle.exchange(kInvalidHandle);
  return input == kInvalidHandle ? -1 : platform.CloseDevice(input);
}

// Pulls the reader out of a blocked read and waits, within 20 x 100 ms, for
// it to leave. A reader still in its read then is ended by force. One that
// is not (held before its first read, or descheduled) is waited for as long
// again, and ended so only if it comes into its read meanwhile; if it still
// has not left, it is left be. True once the reader is gone or set aside,
// false when it was left be.
bool Library::StopReader() {
  if (readerHandle == 0) return true;
  platform.Wake();  // a reader between reads leaves at once
  for (int step = 0; step < 2 * kStopWaitSteps; ++step) {
    if (step >= kStopWaitSteps && EndReadByForce()) return true;
    {
      std::lock_guard<NoThrowMutex> lock(handleLock);
      CancelReadLocked();
    }
    if (platform.WaitForThread(readerHandle, kStopWaitStepMs) || readerId == 0) return true;
  }
  return false;
}

// Ends the reader by force if it is in its read, claiming the read first so
// that a reader whose read has just returned leaves by itself, touching
// nothing. The handle lock is held until the end has taken effect, so that
// the reader cannot die holding it. A thread ended in a read ends with its
// read; where the read ignores the cancel that ending brings, the thread
// stays in it until the next report, and the thread and the handle it reads
// are set aside, never waited for nor closed before the read is over.
bool Library::EndReadByForce() {
  std::lock_guard<NoThrowMutex> lock(handleLock);
  uint8_t phase = kInRead;
  if (!readPhase.compare_exchange_strong(phase, kEndingByForce)) return false;
  platform.TerminateThread(readerHandle);
  const bool gone = platform.WaitForThread(readerHandle, kStopWaitStepMs);
  readerId = 0;
  if (gone) {
    CloseRetiredLocked();  // the read ended with the thread
    return true;
  }
  AbandonReadLocked(readerHandle);
  readerHandle = 0;  // now the set-aside read's
  return true;
}

}  // namespace mqd7ra
