// A mutex whose lock never throws. std::mutex::lock may throw
// (std::system_error) where the system refuses it; in the reader that would
// end the thread halfway through a change of the library's state. try_lock
// throws nothing, so after such a refusal the lock is taken by trying again.
#pragma once

#include <mutex>
#include <thread>

namespace mqd7ra {

class NoThrowMutex {
 public:
  void lock() noexcept {
    try {
      mutex_.lock();
      return;
    } catch (...) {
      // taken below
    }
    while (!mutex_.try_lock()) std::this_thread::yield();
  }
  void unlock() noexcept { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

}  // namespace mqd7ra
