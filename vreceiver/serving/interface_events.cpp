#include "interface_events.h"

#include <winioctl.h>

#include <cstdio>

#include "interface_layout.h"
#include "wine_processes.h"

namespace vreceiver::process {

namespace {

constexpr size_t kRecentEvents = 16;
constexpr const char *kEventNames[] = {"?",   "opened", "closed", "feature-write", "feature-read",
                                       "lost"};

}  // namespace

void InterfaceEvents::Start() {
  thread_ = std::thread([this] { Serve(); });
}

void InterfaceEvents::Join() {
  if (thread_.joinable()) thread_.join();
}

void InterfaceEvents::Serve() {
  tarvexvr_event event = {};
  while (channel_.Call(IOCTL_TARVEXVR_NEXT_EVENT, nullptr, 0, &event, sizeof event)) {
    Remember(event);
    Handle(event);
  }
}

void InterfaceEvents::Remember(const tarvexvr_event &event) {
  char line[160];
  std::snprintf(line, sizeof line, "%s %s open=%u process=%u accepted=%u length=%u",
                kEventNames[event.kind <= TARVEXVR_EVENT_LOST ? event.kind : 0], event.id,
                event.file, event.process, event.accepted, event.length);
  std::lock_guard<std::mutex> lock(mutex_);
  recent_.push_back(line);
  if (recent_.size() > kRecentEvents) recent_.pop_front();
}

std::string InterfaceEvents::Recent() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string &line : recent_) text += line + "\n";
  return text;
}

void InterfaceEvents::Handle(const tarvexvr_event &event) {
  switch (event.kind) {
    case TARVEXVR_EVENT_OPENED:
      if (IsWineProcess(event.process)) break;
      for (const InterfaceInfo &info : receiver_.ListInterfaces()) {
        if (InterfaceId(info.path) != event.id) continue;
        if (int32_t handle = receiver_.Open(info.path)) {
          std::lock_guard<std::mutex> lock(mutex_);
          opens_[event.file] = handle;
        }
        break;
      }
      break;
    case TARVEXVR_EVENT_CLOSED: {
      int32_t handle = 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = opens_.find(event.file);
        if (it == opens_.end()) break;
        handle = it->second;
        opens_.erase(it);
      }
      receiver_.Close(handle);
      break;
    }
    case TARVEXVR_EVENT_FEATURE_WRITE:
      receiver_.RecordFeatureWrite(event.data, event.length, event.accepted != 0);
      break;
    case TARVEXVR_EVENT_FEATURE_READ:
      receiver_.RecordInfoRequest();
      break;
    case TARVEXVR_EVENT_LOST:
      std::printf("device: the driver dropped %u events (its queue was full)\n", event.length);
      std::fflush(stdout);
      break;
    default:
      break;
  }
}

}  // namespace vreceiver::process
