#include "device_server.h"

#include <winioctl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace vreceiver::process {

namespace {

// The layout without the receiver's interfaces in it that `sent` lacks and
// that take no pendant input (its feature interface).
Layout WithoutNewFeature(const Layout &layout, const Layout &sent) {
  Layout staged;
  for (const tarvexvr_interface &device : layout) {
    const bool isNew = std::none_of(sent.begin(), sent.end(), [&](const tarvexvr_interface &d) {
      return std::memcmp(&d, &device, sizeof d) == 0;
    });
    const bool feature =
        device.vendor_id == kReceiverVendorId && !(device.flags & TARVEXVR_FLAG_PENDANT_INPUT);
    if (!(isNew && feature)) staged.push_back(device);
  }
  return staged;
}

}  // namespace

DeviceServer::DeviceServer(Receiver &receiver) : receiver_(receiver) {}

DeviceServer::~DeviceServer() { Stop(); }

void DeviceServer::Stop() {
  control_.Stop();
  events_.Join();
  pump_.Stop();
}

bool DeviceServer::Start(std::string *error) {
  if (!control_.Open(error)) return false;
  if (!SendLayout({}, error) || !RefuseWrites(0) || !RefuseReads(false) || !UpdateInfo()) {
    *error = "the virtual receiver's driver refuses to be seeded: " + *error;
    return false;
  }
  events_.Start();
  pump_.Start();
  return true;
}

bool DeviceServer::SendLayout(const Layout &layout, std::string *out) {
  if (layout.size() > TARVEXVR_MAX_INTERFACES) {
    if (out) *out = "the device holds at most " + std::to_string(TARVEXVR_MAX_INTERFACES) + " interfaces";
    return false;
  }
  tarvexvr_layout request = {};
  request.count = static_cast<unsigned int>(layout.size());
  std::copy(layout.begin(), layout.end(), request.interfaces);
  DWORD error = 0;
  if (!control_.Call(IOCTL_TARVEXVR_SET_LAYOUT, &request, sizeof request, nullptr, 0, &error)) {
    if (out) *out = "the driver refused the layout (error " + std::to_string(error) + ")";
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  sent_ = layout;
  for (const tarvexvr_interface &device : layout) ever_.insert(device.id);
  return true;
}

bool DeviceServer::WaitListed(const Layout &layout, std::string *out) {
  std::set<std::string> ever;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ever = ever_;
  }
  return process::WaitListed(layout, ever, out);
}

void DeviceServer::SetArrival(bool inputFirst, uint32_t gapMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  inputFirst_ = inputFirst;
  gapMs_ = gapMs;
}

// Interfaces arrive one at a time. Unless told otherwise a new input
// interface arrives after the rest is listed (the library takes the
// receiver as found once it finds the input interface); input-first, the
// feature interface follows it after the chosen pause, as on Windows.
bool DeviceServer::Sync(std::string *out) {
  const Layout layout = LayoutOf(receiver_.ListInterfaces());
  Layout sent;
  bool inputFirst = false;
  uint32_t gapMs = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sent = sent_;
    inputFirst = inputFirst_;
    gapMs = gapMs_;
  }
  const bool changed = !SameLayout(layout, sent);
  const auto start = std::chrono::steady_clock::now();
  const Layout staged =
      inputFirst ? WithoutNewFeature(layout, sent) : WithoutNewInput(layout, sent);
  if (staged.size() != layout.size()) {
    if (!SendLayout(staged, out) || !WaitListed(staged, out)) return false;
    Sleep(gapMs);
  }
  if (changed && !SendLayout(layout, out)) return false;
  if (!WaitListed(layout, out)) return false;
  if (changed) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("device: %u HID interfaces listed after %ld ms\n",
                static_cast<unsigned>(layout.size()), static_cast<long>(ms.count()));
    std::fflush(stdout);
  }
  return true;
}

bool DeviceServer::SetBehaviour(const tarvexvr_behaviour &behaviour) {
  return control_.Call(IOCTL_TARVEXVR_SET_BEHAVIOUR, &behaviour, sizeof behaviour, nullptr, 0);
}

bool DeviceServer::RefuseWrites(int32_t count) {
  tarvexvr_behaviour behaviour = {};
  behaviour.mask = TARVEXVR_SET_WRITE_REFUSAL;
  behaviour.refuse_writes = count;
  return SetBehaviour(behaviour);
}

bool DeviceServer::RefuseReads(bool refuse) {
  tarvexvr_behaviour behaviour = {};
  behaviour.mask = TARVEXVR_SET_READ_REFUSAL;
  behaviour.refuse_reads = refuse ? 1 : 0;
  return SetBehaviour(behaviour);
}

bool DeviceServer::UpdateInfo() {
  tarvexvr_behaviour behaviour = {};
  behaviour.mask = TARVEXVR_SET_INFO_REPORT;
  const Report info = receiver_.InfoReport();
  behaviour.info_length = static_cast<unsigned int>(info.size());
  std::copy(info.begin(), info.end(), behaviour.info_report);
  return SetBehaviour(behaviour);
}

}  // namespace vreceiver::process
