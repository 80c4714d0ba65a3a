#include "served_receiver.h"

namespace vreceiver::testing {

namespace {
constexpr uint32_t kSliceMs = 20;  // how soon a thread sees the stop
}  // namespace

ServedReceiver::ServedReceiver() : follow_([this] { Follow(); }), take_([this] { Take(); }) {}

ServedReceiver::~ServedReceiver() {
  stopping_ = true;
  receiver.Shutdown();
  follow_.join();
  take_.join();
}

std::vector<Report> ServedReceiver::TakeSent() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Report> sent;
  sent.swap(sent_);
  return sent;
}

void ServedReceiver::Follow() {
  uint64_t seen = 0;
  while (!stopping_) {
    if (receiver.WaitForSettingsChange(seen, kSliceMs) == seen) continue;
    seen = receiver.Settings().version;
    receiver.NoteServed(seen, "");
    ++presented_;
  }
}

void ServedReceiver::Take() {
  Report report;
  while (!stopping_) {
    if (!receiver.TakeReport(&report, kSliceMs)) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      sent_.push_back(report);
    }
    receiver.ReportSent();
  }
}

}  // namespace vreceiver::testing
