#include "receiver_server.h"

#include <winioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace vreceiver::process {

namespace {

// How soon the follower sees the process end while the model is quiet, or
// while it waits out the gap between the interfaces' arrivals.
constexpr uint32_t kFollowSliceMs = 200;

// The gap may be up to a minute: the process ending cuts it short.
void SleepUnlessStopping(uint32_t milliseconds, const std::atomic<bool> &stopping) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (auto now = std::chrono::steady_clock::now(); now < end && !stopping;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    Sleep(static_cast<DWORD>(std::min<long long>(left + 1, kFollowSliceMs)));
  }
}

}  // namespace

ReceiverServer::ReceiverServer(Receiver &receiver) : receiver_(receiver) {}

ReceiverServer::~ReceiverServer() { Stop(); }

void ReceiverServer::Stop() {
  stopping_ = true;
  channel_.Stop();
  if (follower_.joinable()) follower_.join();
  events_.Join();
  pump_.Stop();
}

bool ReceiverServer::Start(std::string *error) {
  if (!channel_.Open(error)) return false;
  // The driver keeps what an earlier receiver process left until the new
  // one owns it; an empty layout starts every run from nothing.
  if (!SendLayout({}, error)) {
    *error = "the virtual receiver's driver refuses to be seeded: " + *error;
    return false;
  }
  events_.Start();
  pump_.Start();
  follower_ = std::thread([this] { Follow(); });
  return true;
}

void ReceiverServer::Follow() {
  uint64_t seen = 0;
  while (!stopping_) {
    if (receiver_.WaitForSettingsChange(seen, kFollowSliceMs) == seen) continue;
    const ServedSettings settings = receiver_.Settings();
    seen = settings.version;
    receiver_.NoteServed(settings.version, Present(settings));
  }
}

std::string ReceiverServer::Present(const ServedSettings &settings) {
  if (!PresentRules(settings)) return "the driver refused the rules for feature reports";
  std::string failure;
  if (!PresentInterfaces(settings, &failure) && failure.empty()) failure = "not presented";
  return failure;
}

bool ReceiverServer::SendLayout(const Layout &layout, std::string *out) {
  if (layout.size() > TARVEXVR_MAX_INTERFACES) {
    *out = "the device holds at most " + std::to_string(TARVEXVR_MAX_INTERFACES) + " interfaces";
    return false;
  }
  tarvexvr_layout request = {};
  request.count = static_cast<unsigned int>(layout.size());
  std::copy(layout.begin(), layout.end(), request.interfaces);
  DWORD error = 0;
  if (!channel_.Call(IOCTL_TARVEXVR_SET_LAYOUT, &request, sizeof request, nullptr, 0, &error)) {
    *out = "the driver refused the layout (error " + std::to_string(error) + ")";
    return false;
  }
  sent_ = layout;
  for (const tarvexvr_interface &device : layout) ever_.insert(device.id);
  return true;
}

// The receiver's two interfaces are two child devices and arrive one after
// the other, in the model's order; the second comes once the first is
// listed and the model's gap has passed.
bool ReceiverServer::PresentInterfaces(const ServedSettings &settings, std::string *out) {
  const Layout layout = LayoutOf(settings.interfaces);
  if (SameLayout(layout, sent_)) return true;
  const auto start = std::chrono::steady_clock::now();
  const Layout staying = WithoutChanged(sent_, layout);
  if (!SameLayout(staying, sent_) &&
      (!SendLayout(staying, out) || !WaitListed(staying, ever_, stopping_, out))) {
    return false;
  }
  const Layout first = FirstArrival(layout, sent_, settings.arrival);
  if (!SameLayout(first, layout)) {
    if (!SendLayout(first, out) || !WaitListed(first, ever_, stopping_, out)) return false;
    SleepUnlessStopping(settings.arrivalGapMs, stopping_);
  }
  if (!SendLayout(layout, out) || !WaitListed(layout, ever_, stopping_, out)) return false;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("device: %u HID interfaces listed after %ld ms\n",
              static_cast<unsigned>(layout.size()), static_cast<long>(ms.count()));
  std::fflush(stdout);
  return true;
}

// A write refusal counts down in the driver, so it is sent only when it
// was set anew; the other rules whenever they differ.
bool ReceiverServer::PresentRules(const ServedSettings &settings) {
  tarvexvr_behaviour behaviour = {};
  behaviour.rules = settings.rules;
  if (!rulesSent_ || settings.writeRulesSet != writeRulesSet_) {
    behaviour.mask |= TARVEXVR_SET_WRITE_RULES;
  }
  if (!rulesSent_ || settings.rules.refuse_reads != rules_.refuse_reads) {
    behaviour.mask |= TARVEXVR_SET_READ_RULES;
  }
  if (!rulesSent_ ||
      std::memcmp(settings.rules.info_report, rules_.info_report, sizeof rules_.info_report) != 0) {
    behaviour.mask |= TARVEXVR_SET_INFO_REPORT;
  }
  std::copy(settings.stateReport.begin(), settings.stateReport.end(), behaviour.state_report);
  behaviour.state_length = static_cast<unsigned int>(settings.stateReport.size());
  if (!rulesSent_ || settings.stateReport != stateReport_)
    behaviour.mask |= TARVEXVR_SET_STATE_REPORT;
  if (behaviour.mask == 0) return true;
  if (!channel_.Call(IOCTL_TARVEXVR_SET_BEHAVIOUR, &behaviour, sizeof behaviour, nullptr, 0)) {
    return false;
  }
  rulesSent_ = true;
  rules_ = settings.rules;
  writeRulesSet_ = settings.writeRulesSet;
  stateReport_ = settings.stateReport;
  return true;
}

}  // namespace vreceiver::process
