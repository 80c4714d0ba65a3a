// A window thread's queue of posted messages as the library's reader meets
// it. Windows refuses a post once 10,000 messages wait in the thread's queue
// (PostMessage fails with ERROR_NOT_ENOUGH_QUOTA); the message is lost.
// Messages go to the sink at once, as to a window thread that keeps up,
// unless the window is held busy: then they wait here, up to the limit,
// and a release hands them over in order.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/platform.h"

namespace testsupport {

class PostedQueue {
 public:
  using Sink = std::function<void(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam)>;
  static constexpr size_t kLimit = 10000;

  // Called on the posting (or releasing) thread for every message taken.
  void SetSink(Sink sink);
  // False when the queue is full.
  bool Post(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  void HoldWindow(bool busy);
  size_t Waiting() const;
  uint32_t Refused() const;

 private:
  struct Message {
    mqd7ra::WindowHandle window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  };

  mutable std::mutex mutex_;
  Sink sink_;
  bool busy_ = false;
  std::deque<Message> waiting_;
  uint32_t refused_ = 0;
};

}  // namespace testsupport
