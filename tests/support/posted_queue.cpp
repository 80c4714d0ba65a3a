#include "posted_queue.h"

namespace testsupport {

void PostedQueue::SetSink(Sink sink) {
  std::lock_guard<std::mutex> lock(mutex_);
  sink_ = std::move(sink);
}

bool PostedQueue::Post(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                       intptr_t lParam) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (waiting_.size() >= kLimit) {
    ++refused_;
    return false;
  }
  if (busy_) {
    waiting_.push_back(Message{window, message, wParam, lParam});
  } else if (sink_) {
    sink_(window, message, wParam, lParam);
  }
  return true;
}

void PostedQueue::HoldWindow(bool busy) {
  std::lock_guard<std::mutex> lock(mutex_);
  busy_ = busy;
  if (busy_) return;
  for (const Message &m : waiting_) {
    if (sink_) sink_(m.window, m.message, m.wParam, m.lParam);
  }
  waiting_.clear();
}

size_t PostedQueue::Waiting() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_.size();
}

uint32_t PostedQueue::Refused() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return refused_;
}

}  // namespace testsupport
