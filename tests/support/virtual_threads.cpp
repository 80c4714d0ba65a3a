#include "virtual_threads.h"

namespace testsupport {

using mqd7ra::ThreadHandle;

namespace {

constexpr uint32_t kFirstThreadId = 0x100;

// Thrown into a thread that was ended by force when it comes back into the
// port; caught where the thread started, so it never runs library code again.
struct ThreadEnded {};

thread_local VirtualThreads::Thread *currentThread = nullptr;

}  // namespace

VirtualThreads::VirtualThreads(HostLock &host) : host_(host) {}

void VirtualThreads::JoinAll() {
  std::unique_lock<std::mutex> lock(host_.mutex);
  for (auto &entry : threads_) {
    Thread *t = entry.second.get();
    host_.changed.wait(lock, [t] { return t->finished; });
    if (!t->thread.joinable()) continue;
    lock.unlock();
    t->thread.join();
    lock.lock();
  }
}

ThreadHandle VirtualThreads::Create(mqd7ra::ThreadEntry entry, void *parameter,
                                    uint32_t *threadId) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  if (failCreation_) return 0;
  auto t = std::make_unique<Thread>();
  t->id = kFirstThreadId + created_++;
  t->entry = entry;
  t->parameter = parameter;
  Thread *raw = t.get();
  raw->thread = std::thread(&VirtualThreads::Run, this, raw);
  const ThreadHandle handle = nextHandle_++;
  threads_[handle] = std::move(t);
  *threadId = raw->id;
  return handle;
}

// No exception leaves a thread, as with the Win32 port's thread start.
void VirtualThreads::Run(Thread *thread) {
  bool start = false;
  {
    std::unique_lock<std::mutex> lock(host_.mutex);
    host_.changed.wait(
        lock, [&] { return (thread->resumed && !holdStarts_) || thread->terminated || released_; });
    start = !released_ && !thread->terminated;
    thread->started = start;
  }
  currentThread = thread;
  if (start) {
    try {
      thread->entry(thread->parameter);
    } catch (const ThreadEnded &) {
      // ended by force: nothing of the library runs on this thread any more
      std::lock_guard<std::mutex> lock(host_.mutex);
      if (!thread->endedInRead) ++terminatedOutsideRead_;
    } catch (...) {
      // the thread ends, as a Win32 thread whose start routine returned
    }
  }
  std::lock_guard<std::mutex> lock(host_.mutex);
  thread->finished = true;
  host_.Changed();
}

VirtualThreads::Thread *VirtualThreads::FindLocked(ThreadHandle thread) {
  auto it = threads_.find(thread);
  return it == threads_.end() ? nullptr : it->second.get();
}

void VirtualThreads::Resume(ThreadHandle thread) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  if (Thread *t = FindLocked(thread)) t->resumed = true;
  host_.Changed();
}

bool VirtualThreads::Wait(ThreadHandle thread, uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  Thread *t = FindLocked(thread);
  if (t == nullptr) return true;
  // A thread ended by force finishes in real time, however fast time runs.
  const auto limit = t->terminated
                         ? std::chrono::microseconds(std::chrono::milliseconds(milliseconds))
                         : ScaledLocked(milliseconds);
  return host_.changed.wait_for(lock, limit, [t] { return t->finished; });
}

void VirtualThreads::Close(ThreadHandle thread) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  auto it = threads_.find(thread);
  if (it == threads_.end() || !it->second->finished) return;
  std::unique_ptr<Thread> t = std::move(it->second);
  threads_.erase(it);
  lock.unlock();
  t->thread.join();
}

bool VirtualThreads::TerminateLocked(Thread *thread) {
  if (thread == nullptr || thread->finished || thread->terminated) return false;
  thread->terminated = true;
  ++terminated_;
  if (!thread->started) ++terminatedOutsideRead_;  // before its start routine
  host_.Changed();
  return true;
}

VirtualThreads::Thread *VirtualThreads::Current() { return currentThread; }

void VirtualThreads::EndIfTerminated() {
  if (currentThread != nullptr && currentThread->terminated) throw ThreadEnded{};
}

void VirtualThreads::EndIfTerminatedInRead() {
  if (currentThread != nullptr && currentThread->terminated) {
    currentThread->endedInRead = true;
    throw ThreadEnded{};
  }
}

// While the clock stands still no sleep ends by time, one already begun
// included; one whose time ran out meanwhile ends as the clock goes on.
bool VirtualThreads::SleepLocked(std::unique_lock<std::mutex> &lock, uint32_t milliseconds,
                                 bool wakeable) {
  Thread *self = currentThread;
  const auto over = [&] {
    return released_ || (self != nullptr && self->terminated) || (wakeable && wakePending_);
  };
  const auto deadline = std::chrono::steady_clock::now() + ScaledLocked(milliseconds);
  while (!over()) {
    if (clockStopped_) {
      host_.changed.wait(lock);
    } else if (host_.changed.wait_until(lock, deadline) == std::cv_status::timeout &&
               !clockStopped_) {
      break;
    }
  }
  const bool woken = wakeable && wakePending_;
  if (woken) wakePending_ = false;
  return woken;
}

void VirtualThreads::Sleep(uint32_t milliseconds) {
  {
    std::unique_lock<std::mutex> lock(host_.mutex);
    SleepLocked(lock, milliseconds, false);
  }
  EndIfTerminated();
}

bool VirtualThreads::SleepUntilWoken(uint32_t milliseconds) {
  bool woken = false;
  {
    std::unique_lock<std::mutex> lock(host_.mutex);
    woken = SleepLocked(lock, milliseconds, true);
  }
  EndIfTerminated();
  return woken;
}

void VirtualThreads::Wake() {
  std::lock_guard<std::mutex> lock(host_.mutex);
  wakePending_ = true;
  host_.Changed();
}

void VirtualThreads::Release() {
  std::lock_guard<std::mutex> lock(host_.mutex);
  released_ = true;
  host_.Changed();
}

void VirtualThreads::FailCreation(bool fail) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  failCreation_ = fail;
}

void VirtualThreads::HoldStarts(bool hold) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  holdStarts_ = hold;
  host_.Changed();
}

uint32_t VirtualThreads::TerminatedOutsideRead() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  return terminatedOutsideRead_;
}

void VirtualThreads::SpeedUp(uint32_t factor) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  timeFactor_ = factor == 0 ? 1 : factor;
}

void VirtualThreads::StopClock(bool stopped) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  clockStopped_ = stopped;
  host_.Changed();
}

std::chrono::microseconds VirtualThreads::ScaledLocked(uint32_t milliseconds) const {
  return std::chrono::microseconds(uint64_t{milliseconds} * 1000 / timeFactor_);
}

uint32_t VirtualThreads::Running() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  uint32_t running = 0;
  for (const auto &entry : threads_) {
    running += !entry.second->finished && !entry.second->terminated ? 1 : 0;
  }
  return running;
}

uint32_t VirtualThreads::Alive() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  uint32_t alive = 0;
  for (const auto &entry : threads_) alive += !entry.second->finished ? 1 : 0;
  return alive;
}

uint32_t VirtualThreads::Created() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  return created_;
}

uint32_t VirtualThreads::Terminated() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  return terminated_;
}

}  // namespace testsupport
