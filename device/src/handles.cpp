// Every close of a device handle. On a synchronous handle a close does not
// end a read pending on it (it waits for that read), and a closed handle's
// value is handed out again at once; so the caller's thread never closes the
// input handle the reader is reading, it leaves that close to the reader.
// Nor does the library hold two handles of one input interface while a read
// may be pending on either: each handle gets its own copy of every report,
// so the reader would post each of them twice.
#include <cstring>

#include "ascii.h"
#include "library.h"

namespace mqd7ra {

namespace {

constexpr int kCancelAttempts = 50;
constexpr uint32_t kCancelRetryMs = 1;

// Device paths name the same interface whatever their letters' case.
bool SamePath(const char *a, const char *b) {
  while (*a != '\0' && AsciiLower(*a) == AsciiLower(*b)) {
    ++a;
    ++b;
  }
  return *a == '\0' && *b == '\0';
}

// Paths come from a buffer of the same capacity, NUL-ended.
void CopyPath(char *to, const char *from) {
  const size_t length = strnlen(from, Library::kPathCapacity - 1);
  std::memcpy(to, from, length);
  to[length] = '\0';
}

}  // namespace

// The scan found the input interface at `path`, open as `handle`. A handle
// the library already holds on that interface is kept (or taken back from
// retirement, its read still pending) and the new one closed unread; a
// handle on another interface gives way to the new one, which gets the
// library's ring size.
void Library::TakeInputLocked(DeviceHandle handle, const char *path) {
  if (inputHandle != kInvalidHandle && SamePath(path, inputPath)) {
    platform.CloseDevice(handle);
    return;
  }
  if (retiredInput != kInvalidHandle && SamePath(path, retiredPath)) {
    platform.CloseDevice(handle);
    ReleaseInputLocked();
    inputHandle = retiredInput;
    CopyPath(inputPath, retiredPath);
    retiredInput = kInvalidHandle;
    return;
  }
  ReleaseInputLocked();
  platform.SetInputRingSize(handle, kInputRingReports);  // a refusal leaves the default ring
  inputHandle = handle;
  CopyPath(inputPath, path);
  inputIsNew = true;
}

// Marks the input handle invalid and closes it, or, while the reader is in a
// read on it, hands it to the reader to close when that read returns. -1 when
// none was open, else the close result (nonzero when handed on).
int32_t Library::ReleaseInputLocked() {
  const DeviceHandle input = inputHandle.exchange(kInvalidHandle);
  if (input == kInvalidHandle) return -1;
  if (input == readingHandle) {
    retiredInput = input;
    CopyPath(retiredPath, inputPath);
    return 1;
  }
  return platform.CloseDevice(input);
}

void Library::ReleaseFeatureLocked() {
  const DeviceHandle feature = featureHandle.exchange(kInvalidHandle);
  if (feature != kInvalidHandle) platform.CloseDevice(feature);
}

// For the reader once it has left its read.
void Library::CloseRetiredLocked() {
  readingHandle = kInvalidHandle;
  if (retiredInput == kInvalidHandle) return;
  platform.CloseDevice(retiredInput);
  retiredInput = kInvalidHandle;
}

void Library::ReleaseInput() {
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    ReleaseInputLocked();
  }
  PullReaderOffRetired();
}

// A cancel the library asks for. Made under the lock under which every read
// begins, it can reach only the read begun on readingHandle.
bool Library::CancelReadLocked() {
  if (readingHandle == kInvalidHandle) return false;
  cancelAsked = true;
  return platform.CancelBlockedRead(readerHandle);
}

// Makes the reader's read on a handed-on handle return now rather than at the
// next report. A cancel that comes before the read has begun is lost, so it
// is repeated until one reaches the read or the reader has left it. The read
// may end well after the cancel was taken, or (a stack that ignores cancels)
// only at the next report; nothing waits on it, and a scan that meets its
// interface again takes the handle back instead of opening a second one.
void Library::PullReaderOffRetired() {
  for (int attempt = 0; attempt < kCancelAttempts; ++attempt) {
    {
      std::lock_guard<NoThrowMutex> lock(handleLock);
      if (retiredInput == kInvalidHandle || CancelReadLocked()) return;
    }
    platform.SleepMs(kCancelRetryMs);
  }
}

// The read pending on a reader ended by force keeps its handle busy: closing
// it would wait for that read, which may not end before the next report. The
// handle is set aside with the thread and closed once the thread is gone.
void Library::AbandonReadLocked(ThreadHandle thread) {
  const DeviceHandle reading = readingHandle;
  if (inputHandle == reading) inputHandle = kInvalidHandle;
  if (retiredInput == reading) retiredInput = kInvalidHandle;
  readingHandle = kInvalidHandle;
  for (Abandoned &slot : abandoned) {
    if (slot.thread != 0) continue;
    slot = Abandoned{thread, reading};
    return;
  }
  // No room: the thread and its handle stay open for the life of the
  // process, which is better than a hang.
}

void Library::ReclaimAbandoned() {
  for (Abandoned &slot : abandoned) {
    if (slot.thread == 0 || !platform.WaitForThread(slot.thread, 0)) continue;
    platform.CloseDevice(slot.input);
    platform.CloseThread(slot.thread);
    slot = Abandoned{};
  }
}

}  // namespace mqd7ra
