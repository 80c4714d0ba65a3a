// The one lock and change signal that the in-process host's parts share (its
// threads and its HID class driver): every wait there looks at its condition
// again after any change, so no part needs to know who waits on it.
#pragma once

#include <condition_variable>
#include <mutex>

namespace testsupport {

struct HostLock {
  std::mutex mutex;
  std::condition_variable changed;
  uint64_t changes = 0;  // under the mutex

  // Call with the mutex held, after a change a wait may look for.
  void Changed() {
    ++changes;
    changed.notify_all();
  }
};

}  // namespace testsupport
