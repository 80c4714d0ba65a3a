#include "virtual_platform.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

namespace testsupport {

using mqd7ra::DeviceHandle;
using mqd7ra::kInvalidHandle;
using mqd7ra::ThreadHandle;

struct VirtualPlatform::Thread {
  uint32_t id = 0;
  mqd7ra::ThreadEntry entry = nullptr;
  void *parameter = nullptr;
  bool resumed = false;
  bool finished = false;
  std::atomic<bool> terminated{false};
  std::thread thread;
  // The read pending on this thread: its handle and the token that names it
  // to the model (0 when none), and whether a cancel reached it.
  DeviceHandle readingOn = kInvalidHandle;
  uint64_t readToken = 0;
  bool cancelRequested = false;
};

namespace {

constexpr uint32_t kFirstThreadId = 0x100;
constexpr auto kReleaseStep = std::chrono::milliseconds(10);
// Handle values as Windows gives them: multiples of 4, never 0.
constexpr DeviceHandle kHandleStep = 4;

// Thrown into a thread that was ended by force when it comes back into the
// port; caught where the thread started, so it never runs library code again.
struct ThreadEnded {};

thread_local VirtualPlatform::Thread *currentThread = nullptr;

void EndIfTerminated() {
  if (currentThread != nullptr && currentThread->terminated) throw ThreadEnded{};
}

}  // namespace

VirtualPlatform::VirtualPlatform(Receiver &receiver) : receiver_(receiver) {}

VirtualPlatform::~VirtualPlatform() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (auto &entry : threads_) {
    Thread *t = entry.second.get();
    while (!t->finished) {
      if (t->terminated) {
        lock.unlock();
        receiver_.EndRead(t->readToken);
        lock.lock();
      }
      threadChanged_.wait_for(lock, kReleaseStep);
    }
    lock.unlock();
    t->thread.join();
    lock.lock();
  }
}

void VirtualPlatform::SetUtcDay(uint8_t day) {
  std::lock_guard<std::mutex> lock(mutex_);
  utcDay_ = day;
}

void VirtualPlatform::SetMessageSink(MessageSink sink) {
  std::lock_guard<std::mutex> lock(sinkMutex_);
  sink_ = std::move(sink);
}

void VirtualPlatform::FailThreadCreation(bool fail) {
  std::lock_guard<std::mutex> lock(mutex_);
  failThreadCreation_ = fail;
}

void VirtualPlatform::SetCloseWaitLimit(uint32_t milliseconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  closeWaitLimitMs_ = milliseconds;
}

void VirtualPlatform::HoldReads(bool hold) {
  std::lock_guard<std::mutex> lock(mutex_);
  holdReads_ = hold;
  threadChanged_.notify_all();
}

uint32_t VirtualPlatform::HeldReads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return heldReads_;
}

IoCounters VirtualPlatform::Counters() const {
  std::lock_guard<std::mutex> lock(mutex_);
  IoCounters counters = counters_;
  counters.openHandles = static_cast<uint32_t>(handles_.size());
  return counters;
}

void VirtualPlatform::SpeedUpTime(uint32_t factor) {
  std::lock_guard<std::mutex> lock(mutex_);
  timeFactor_ = factor == 0 ? 1 : factor;
}

std::chrono::microseconds VirtualPlatform::Scaled(uint32_t milliseconds) const {
  return std::chrono::microseconds(uint64_t{milliseconds} * 1000 / timeFactor_);
}

uint32_t VirtualPlatform::RunningThreads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  uint32_t running = 0;
  for (const auto &entry : threads_) {
    running += !entry.second->finished && !entry.second->terminated ? 1 : 0;
  }
  return running;
}

uint32_t VirtualPlatform::ThreadsCreated() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threadsCreated_;
}

uint32_t VirtualPlatform::ThreadsTerminated() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threadsTerminated_;
}

uint32_t VirtualPlatform::InterfaceListsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listsOpen_;
}

bool VirtualPlatform::OpenInterfaceList() {
  std::vector<InterfaceInfo> list = receiver_.ListInterfaces();
  std::lock_guard<std::mutex> lock(mutex_);
  list_ = std::move(list);
  ++listsOpen_;
  return true;
}

bool VirtualPlatform::InterfacePath(uint32_t index, char *path, size_t capacity) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index >= list_.size() || list_[index].path.size() >= capacity) return false;
  std::memcpy(path, list_[index].path.c_str(), list_[index].path.size() + 1);
  return true;
}

void VirtualPlatform::CloseInterfaceList() {
  std::lock_guard<std::mutex> lock(mutex_);
  list_.clear();
  if (listsOpen_ > 0) --listsOpen_;
}

int32_t VirtualPlatform::ModelHandleLocked(DeviceHandle handle) const {
  auto it = handles_.find(handle);
  return it == handles_.end() ? 0 : it->second.model;
}

int32_t VirtualPlatform::ModelHandle(DeviceHandle handle) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ModelHandleLocked(handle);
}

bool VirtualPlatform::ReadPendingOnLocked(DeviceHandle handle) const {
  for (const auto &entry : threads_) {
    if (entry.second->readingOn == handle) return true;
  }
  return false;
}

// The lowest free value, so that a value just closed comes back first.
DeviceHandle VirtualPlatform::OpenDevice(const char *path) {
  const int32_t model = receiver_.Open(path);
  if (model == 0) return kInvalidHandle;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t inputLength = 0;
  uint16_t featureLength = 0;
  const bool receiverInput = receiver_.Attributes(model, &vendorId, &productId) &&
                             vendorId == vreceiver::kReceiverVendorId &&
                             receiver_.Lengths(model, &inputLength, &featureLength) &&
                             inputLength != 0 && featureLength == 0;
  std::lock_guard<std::mutex> lock(mutex_);
  DeviceHandle value = kHandleStep;
  while (handles_.count(value) != 0) value += kHandleStep;
  handles_[value] = OpenHandle{model, receiverInput};
  return value;
}

// The value is free for the next open as soon as the close returns.
int32_t VirtualPlatform::CloseDevice(DeviceHandle handle) {
  EndIfTerminated();
  std::unique_lock<std::mutex> lock(mutex_);
  if (handles_.count(handle) == 0) {
    ++counters_.invalidCloses;
    return 0;
  }
  if (ReadPendingOnLocked(handle)) {
    ++counters_.closesThatWaited;
    if (!threadChanged_.wait_for(lock, std::chrono::milliseconds(closeWaitLimitMs_),
                                 [&] { return !ReadPendingOnLocked(handle); })) {
      ++counters_.closesTimedOut;
    }
  }
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++counters_.invalidCloses;
    return 0;
  }
  const int32_t model = it->second.model;
  handles_.erase(it);
  lock.unlock();
  return receiver_.Close(model) ? 1 : 0;
}

bool VirtualPlatform::GetAttributes(DeviceHandle handle, mqd7ra::HidAttributes *attributes) {
  const int32_t model = ModelHandle(handle);
  return model != 0 &&
         receiver_.Attributes(model, &attributes->vendorId, &attributes->productId);
}

bool VirtualPlatform::GetReportLengths(DeviceHandle handle, mqd7ra::ReportLengths *lengths) {
  const int32_t model = ModelHandle(handle);
  return model != 0 && receiver_.Lengths(model, &lengths->input, &lengths->feature);
}

// Marks the read pending on the thread; from here on a cancel reaches it.
uint64_t VirtualPlatform::BeginReadLocked(Thread *thread, DeviceHandle handle) {
  if (thread == nullptr) return 0;
  thread->readingOn = handle;
  thread->readToken = nextReadToken_++;
  thread->cancelRequested = false;
  return thread->readToken;
}

mqd7ra::ReadResult VirtualPlatform::ReadReport(DeviceHandle handle, uint8_t *buffer,
                                               uint32_t length) {
  Thread *self = currentThread;
  uint64_t token = 0;
  int32_t model = 0;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    ++heldReads_;
    threadChanged_.notify_all();
    threadChanged_.wait(lock, [&] { return !holdReads_; });
    --heldReads_;
    // A thread ended by force starts no read: a terminated thread is gone.
    EndIfTerminated();
    auto it = handles_.find(handle);
    if (it == handles_.end()) return mqd7ra::ReadResult::kFailed;
    model = it->second.model;
    if (!it->second.receiverInput) ++counters_.strayReads;
    token = BeginReadLocked(self, handle);
  }
  uint16_t inputLength = 0;
  uint16_t featureLength = 0;
  bool read = receiver_.Lengths(model, &inputLength, &featureLength) && length >= inputLength &&
              receiver_.Read(model, buffer, length, token);
  bool cancelled = false;
  if (self != nullptr) {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled = self->cancelRequested;
    self->readingOn = kInvalidHandle;
    self->readToken = 0;
    threadChanged_.notify_all();
  }
  EndIfTerminated();
  if (read) return mqd7ra::ReadResult::kReport;
  return cancelled ? mqd7ra::ReadResult::kCancelled : mqd7ra::ReadResult::kFailed;
}

uint16_t VirtualPlatform::FeatureLength(int32_t model) const {
  uint16_t inputLength = 0;
  uint16_t featureLength = 0;
  if (model == 0 || !receiver_.Lengths(model, &inputLength, &featureLength)) return 0;
  return featureLength;
}

// The class driver's rule: a buffer shorter than the feature report is
// refused before it reaches the device (counted), a longer one is cut to it.
// The length to pass on, or 0 when refused.
uint16_t VirtualPlatform::FeatureBufferAccepted(int32_t model, uint32_t length) {
  const uint16_t featureLength = FeatureLength(model);
  if (featureLength != 0 && length >= featureLength) return featureLength;
  std::lock_guard<std::mutex> lock(mutex_);
  ++counters_.refusedFeatureBuffers;
  return 0;
}

bool VirtualPlatform::SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) {
  const int32_t model = ModelHandle(handle);
  const uint16_t accepted = FeatureBufferAccepted(model, length);
  return accepted != 0 && receiver_.SetFeature(model, report, accepted);
}

bool VirtualPlatform::GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) {
  const int32_t model = ModelHandle(handle);
  const uint16_t accepted = FeatureBufferAccepted(model, length);
  return accepted != 0 && receiver_.GetFeature(model, report, accepted);
}

ThreadHandle VirtualPlatform::CreateSuspendedThread(mqd7ra::ThreadEntry entry, void *parameter,
                                                    uint32_t *threadId) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failThreadCreation_) return 0;
  auto t = std::make_unique<Thread>();
  t->id = kFirstThreadId + threadsCreated_++;
  t->entry = entry;
  t->parameter = parameter;
  Thread *raw = t.get();
  raw->thread = std::thread(&VirtualPlatform::Run, this, raw);
  const ThreadHandle handle = nextThread_++;
  threads_[handle] = std::move(t);
  *threadId = raw->id;
  return handle;
}

void VirtualPlatform::Run(Thread *thread) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    threadChanged_.wait(lock, [thread] { return thread->resumed; });
  }
  currentThread = thread;
  try {
    thread->entry(thread->parameter);
  } catch (const ThreadEnded &) {
    // ended by force: nothing of the library runs on this thread any more
  }
  std::lock_guard<std::mutex> lock(mutex_);
  thread->finished = true;
  threadChanged_.notify_all();
}

VirtualPlatform::Thread *VirtualPlatform::Find(ThreadHandle thread) {
  auto it = threads_.find(thread);
  return it == threads_.end() ? nullptr : it->second.get();
}

void VirtualPlatform::ResumeThread(ThreadHandle thread) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (Thread *t = Find(thread)) t->resumed = true;
  threadChanged_.notify_all();
}

// Reaches only a read already pending; a cancel of a pending read is never
// lost.
bool VirtualPlatform::CancelBlockedRead(ThreadHandle thread) {
  uint64_t token = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Thread *t = Find(thread);
    if (t == nullptr || t->readToken == 0) return false;
    t->cancelRequested = true;
    token = t->readToken;
  }
  ReachRead(thread, token, &Receiver::Cancel);
  return true;
}

// The model's read may not be blocked yet when the platform's is pending:
// `reach` is repeated until it finds the read or the read is over.
void VirtualPlatform::ReachRead(ThreadHandle thread, uint64_t token,
                                bool (Receiver::*reach)(uint64_t)) {
  while (!(receiver_.*reach)(token)) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Thread *t = Find(thread);
      if (t == nullptr || t->readToken != token) return;
    }
    std::this_thread::yield();
  }
}

bool VirtualPlatform::WaitForThread(ThreadHandle thread, uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  Thread *t = Find(thread);
  if (t == nullptr) return true;
  // A thread ended by force finishes in real time, however fast time runs.
  const auto limit =
      t->terminated ? std::chrono::microseconds(std::chrono::milliseconds(milliseconds))
                    : Scaled(milliseconds);
  return threadChanged_.wait_for(lock, limit, [t] { return t->finished; });
}

// The thread's pending read ends with it, as the kernel cancels a dying
// thread's I/O: a close no longer waits for it, and the read takes no report.
void VirtualPlatform::TerminateThread(ThreadHandle thread) {
  uint64_t token = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Thread *t = Find(thread);
    if (t == nullptr || t->finished) return;
    t->terminated = true;
    t->readingOn = kInvalidHandle;
    token = t->readToken;
    ++threadsTerminated_;
    threadChanged_.notify_all();
  }
  if (token != 0) ReachRead(thread, token, &Receiver::EndRead);
}

// A finished thread is joined at once; one still running (abandoned) is
// joined by the destructor.
void VirtualPlatform::CloseThread(ThreadHandle thread) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = threads_.find(thread);
  if (it == threads_.end() || !it->second->finished) return;
  std::unique_ptr<Thread> t = std::move(it->second);
  threads_.erase(it);
  lock.unlock();
  t->thread.join();
}

void VirtualPlatform::SleepMs(uint32_t milliseconds) {
  std::chrono::microseconds duration;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    duration = Scaled(milliseconds);
  }
  std::this_thread::sleep_for(duration);
  EndIfTerminated();
}

uint8_t VirtualPlatform::UtcDayOfMonth() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (utcDay_ != 0) return utcDay_;
  }
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return static_cast<uint8_t>(utc.tm_mday);
}

void VirtualPlatform::PostToWindow(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam) {
  EndIfTerminated();
  std::lock_guard<std::mutex> lock(sinkMutex_);
  if (sink_) sink_(window, message, wParam, lParam);
}

}  // namespace testsupport
