#include "device_server.h"

#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "hid_interfaces.h"
#include "timing_log.h"

namespace vreceiver::process {

namespace {

// Plug and Play installs a device seen for the first time in the prefix;
// on a loaded machine a dozen of those take several seconds.
constexpr uint32_t kListWaitMs = 60000;
constexpr DWORD kListPollMs = 5;
constexpr uint32_t kTakeWaitMs = 100;
constexpr auto kInputInterval = std::chrono::milliseconds(1);
constexpr size_t kRecentEvents = 16;
constexpr const char *kEventNames[] = {"?", "opened", "closed", "feature-write", "feature-read",
                                       "lost"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

tarvexvr_interface DeviceInterface(const vreceiver::InterfaceInfo &info) {
  tarvexvr_interface device = {};
  std::snprintf(device.id, sizeof device.id, "%s", InterfaceId(info.path).c_str());
  device.vendor_id = info.vendorId;
  device.product_id = info.productId;
  device.input_length = info.inputLength;
  device.feature_length = info.featureLength;
  if (info.vendorId == vreceiver::kReceiverVendorId) {
    device.input_report_id = info.inputLength ? kInputReportId : 0;
    device.feature_report_id = info.featureLength ? kFeatureReportId : 0;
    device.flags = info.inputLength ? TARVEXVR_FLAG_PENDANT_INPUT : 0;
  }
  return device;
}

bool SameLayout(const std::vector<tarvexvr_interface> &a, const std::vector<tarvexvr_interface> &b) {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
}

// True when the path is the HID interface of the child with this ID.
bool PathOf(const std::string &path, const std::string &id) {
  return Lower(path).find("hid#" + Lower(id) + "#") != std::string::npos;
}

// Wine keeps its raw-input list of HID devices with handles opened in its
// own processes (explorer.exe); on Windows that list lives in the kernel.
// Those opens are no program's.
bool IsWineProcess(uint32_t processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return false;
  char image[MAX_PATH];
  DWORD length = MAX_PATH;
  const bool named = QueryFullProcessImageNameA(process, 0, image, &length) != 0;
  CloseHandle(process);
  char windows[MAX_PATH];
  const UINT windowsLength = GetSystemWindowsDirectoryA(windows, MAX_PATH);
  return named && windowsLength > 0 &&
         Lower(image).compare(0, windowsLength, Lower(windows)) == 0;
}

std::string Describe(const std::vector<std::string> &items) {
  std::string text;
  for (const std::string &item : items) text += (text.empty() ? "" : ", ") + item;
  return text.empty() ? "none" : text;
}

}  // namespace

std::string InterfaceId(const std::string &modelPath) {
  const std::string lower = Lower(modelPath);
  size_t start = lower.find("hid#");
  if (start == std::string::npos) return "";
  start += 4;
  return Upper(modelPath.substr(start, lower.find('#', start) - start));
}

DeviceServer::DeviceServer(vreceiver::Receiver &receiver) : receiver_(receiver) {}

DeviceServer::~DeviceServer() { Stop(); }

void DeviceServer::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  control_.Stop();
  if (events_.joinable()) events_.join();
  if (reports_.joinable()) reports_.join();
}

bool DeviceServer::Start(std::string *error) {
  if (!control_.Open(error)) return false;
  std::vector<tarvexvr_interface> none;
  if (!SendLayout(none, error) || !RefuseWrites(0) || !RefuseReads(false) || !UpdateInfo()) {
    *error = "the virtual receiver's driver refuses to be seeded: " + *error;
    return false;
  }
  events_ = std::thread([this] { ServeEvents(); });
  reports_ = std::thread([this] { SendReports(); });
  return true;
}

std::vector<tarvexvr_interface> DeviceServer::Layout() const {
  std::vector<tarvexvr_interface> layout;
  for (const vreceiver::InterfaceInfo &info : receiver_.ListInterfaces()) {
    layout.push_back(DeviceInterface(info));
  }
  return layout;
}

bool DeviceServer::SendLayout(const std::vector<tarvexvr_interface> &layout, std::string *out) {
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

bool DeviceServer::WaitListed(const std::vector<tarvexvr_interface> &layout, std::string *out) {
  std::set<std::string> ever;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ever = ever_;
  }
  std::vector<std::string> seen;
  const ULONGLONG deadline = GetTickCount64() + kListWaitMs;
  for (;;) {
    const std::vector<std::string> paths = hid::ListPaths();
    seen.clear();
    bool match = true;
    for (const std::string &id : ever) {
      const bool wanted = std::any_of(layout.begin(), layout.end(), [&](const tarvexvr_interface &d) {
        return id == d.id;
      });
      const bool listed = std::any_of(paths.begin(), paths.end(),
                                      [&](const std::string &path) { return PathOf(path, id); });
      if (listed) seen.push_back(id);
      match = match && wanted == listed;
    }
    if (match) return true;
    if (GetTickCount64() >= deadline) break;
    Sleep(kListPollMs);
  }
  std::vector<std::string> wanted;
  for (const tarvexvr_interface &device : layout) wanted.push_back(device.id);
  if (out) {
    *out = "waited " + std::to_string(kListWaitMs) + " ms for the HID interfaces " +
           Describe(wanted) + "; the system lists " + Describe(seen);
  }
  return false;
}

// Interfaces arrive one at a time, and the library takes the receiver as
// found once it finds the input interface (with or without the feature
// one). A new input interface therefore arrives after the rest is listed.
std::vector<tarvexvr_interface> DeviceServer::WithoutNewInput(
    const std::vector<tarvexvr_interface> &layout) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<tarvexvr_interface> staged;
  for (const tarvexvr_interface &device : layout) {
    const bool isNew = std::none_of(sent_.begin(), sent_.end(), [&](const tarvexvr_interface &d) {
      return std::memcmp(&d, &device, sizeof d) == 0;
    });
    if (!(isNew && (device.flags & TARVEXVR_FLAG_PENDANT_INPUT))) staged.push_back(device);
  }
  return staged;
}

bool DeviceServer::Sync(std::string *out) {
  const std::vector<tarvexvr_interface> layout = Layout();
  bool changed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    changed = !SameLayout(layout, sent_);
  }
  const auto start = std::chrono::steady_clock::now();
  const std::vector<tarvexvr_interface> staged = WithoutNewInput(layout);
  if (staged.size() != layout.size() && (!SendLayout(staged, out) || !WaitListed(staged, out))) {
    return false;
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
  const vreceiver::Report info = receiver_.InfoReport();
  behaviour.info_length = static_cast<unsigned int>(info.size());
  std::copy(info.begin(), info.end(), behaviour.info_report);
  return SetBehaviour(behaviour);
}

void DeviceServer::ServeEvents() {
  tarvexvr_event event = {};
  while (control_.Call(IOCTL_TARVEXVR_NEXT_EVENT, nullptr, 0, &event, sizeof event)) {
    HandleEvent(event);
  }
}

std::string DeviceServer::RecentEvents() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string text;
  for (const std::string &line : recent_) text += line + "\n";
  return text;
}

void DeviceServer::HandleEvent(const tarvexvr_event &event) {
  {
    char line[160];
    std::snprintf(line, sizeof line, "%s %s open=%u process=%u accepted=%u length=%u",
                  kEventNames[event.kind <= TARVEXVR_EVENT_LOST ? event.kind : 0], event.id,
                  event.file, event.process, event.accepted, event.length);
    std::lock_guard<std::mutex> lock(mutex_);
    recent_.push_back(line);
    if (recent_.size() > kRecentEvents) recent_.pop_front();
  }
  switch (event.kind) {
    case TARVEXVR_EVENT_OPENED:
      if (IsWineProcess(event.process)) break;
      for (const vreceiver::InterfaceInfo &info : receiver_.ListInterfaces()) {
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

// One report per call; a call returns once a read of the input interface
// took the report, or at once when the interface is not there (the report
// is lost, as on a real bus).
void DeviceServer::SendReports() {
  auto last = std::chrono::steady_clock::now() - kInputInterval;
  vreceiver::Report report;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
    }
    if (!receiver_.TakeReport(&report, kTakeWaitMs)) continue;
    while (std::chrono::steady_clock::now() - last < kInputInterval) Sleep(1);
    // The interval counts from one hand-over to the next, as USB frames
    // do, not from the end of the read that took the report.
    last = std::chrono::steady_clock::now();
    NoteReportHanded();
    control_.Call(IOCTL_TARVEXVR_SEND_INPUT, report.data(), static_cast<DWORD>(report.size()),
                  nullptr, 0);
    receiver_.ReportSent();
  }
}

}  // namespace vreceiver::process
