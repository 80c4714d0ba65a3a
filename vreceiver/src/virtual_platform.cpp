#include "vreceiver/virtual_platform.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

namespace vreceiver {

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
};

namespace {

constexpr uint32_t kFirstThreadId = 0x100;
constexpr auto kReleaseStep = std::chrono::milliseconds(10);

// Thrown into a thread that was ended by force when it comes back into the
// port; caught where the thread started, so it never runs library code again.
struct ThreadEnded {};

thread_local VirtualPlatform::Thread *currentThread = nullptr;

void EndIfTerminated() {
  if (currentThread != nullptr && currentThread->terminated) throw ThreadEnded{};
}

int32_t ModelHandle(DeviceHandle handle) { return static_cast<int32_t>(handle); }

}  // namespace

VirtualPlatform::VirtualPlatform(Receiver &receiver) : receiver_(receiver) {}

VirtualPlatform::~VirtualPlatform() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (auto &entry : threads_) {
    Thread *t = entry.second.get();
    while (!t->finished) {
      if (t->terminated) {
        lock.unlock();
        receiver_.SetCancelIgnored(false);
        receiver_.Cancel(t->id);
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

DeviceHandle VirtualPlatform::OpenDevice(const char *path) {
  const int32_t handle = receiver_.Open(path);
  return handle == 0 ? kInvalidHandle : handle;
}

int32_t VirtualPlatform::CloseDevice(DeviceHandle handle) {
  EndIfTerminated();
  return receiver_.Close(ModelHandle(handle)) ? 1 : 0;
}

bool VirtualPlatform::GetAttributes(DeviceHandle handle, mqd7ra::HidAttributes *attributes) {
  return receiver_.Attributes(ModelHandle(handle), &attributes->vendorId, &attributes->productId);
}

bool VirtualPlatform::GetReportLengths(DeviceHandle handle, mqd7ra::ReportLengths *lengths) {
  return receiver_.Lengths(ModelHandle(handle), &lengths->input, &lengths->feature);
}

bool VirtualPlatform::ReadReport(DeviceHandle handle, uint8_t *buffer, uint32_t length) {
  const uint64_t reader = currentThread != nullptr ? currentThread->id : 0;
  const bool read = receiver_.Read(ModelHandle(handle), buffer, length, reader);
  EndIfTerminated();
  return read;
}

bool VirtualPlatform::SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) {
  return receiver_.SetFeature(ModelHandle(handle), report, length);
}

bool VirtualPlatform::GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) {
  return receiver_.GetFeature(ModelHandle(handle), report, length);
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

void VirtualPlatform::CancelBlockedRead(ThreadHandle thread) {
  uint32_t id = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Thread *t = Find(thread)) id = t->id;
  }
  if (id != 0) receiver_.Cancel(id);
}

bool VirtualPlatform::WaitForThread(ThreadHandle thread, uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  Thread *t = Find(thread);
  if (t == nullptr) return true;
  return threadChanged_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [t] { return t->finished; });
}

void VirtualPlatform::TerminateThread(ThreadHandle thread) {
  std::lock_guard<std::mutex> lock(mutex_);
  Thread *t = Find(thread);
  if (t == nullptr || t->finished) return;
  t->terminated = true;
  ++threadsTerminated_;
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
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
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

}  // namespace vreceiver
