// The receiver model, script side: the machine's interfaces, plugging, faults
// to inject, and what the receiver was sent.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "receiver_impl.h"

namespace vreceiver {

namespace {

constexpr const char *kClassSuffix = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr uint16_t kForeignVendorId = 0x046D;
constexpr uint16_t kForeignFirstProductId = 0xC000;
constexpr auto kWaitPollStep = std::chrono::milliseconds(5);

// The path Windows gives a USB device's HID interface: its device ID, then
// an instance ID made of a hash of its parent (here of the device ID) and
// the collection's number.
std::string MakePath(const std::string &deviceId) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (const char c : deviceId) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  char path[160];
  std::snprintf(path, sizeof path, "\\\\?\\hid#%s#7&%x&0&0000%s", deviceId.c_str(),
                static_cast<unsigned>(hash), kClassSuffix);
  return path;
}

std::string UsbDevice(uint16_t vendorId, uint16_t productId) {
  char device[32];
  std::snprintf(device, sizeof device, "vid_%04x&pid_%04x", vendorId, productId);
  return device;
}

// The n-th (from 1) of every `every`; never for 0.
bool EveryNth(uint32_t index, uint32_t every) { return every != 0 && (index + 1) % every == 0; }

// Foreign interfaces alternate between a mouse-like one with 8-byte input
// reports (to be told apart by vendor) and one with other report lengths.
InterfaceInfo ForeignInterface(uint32_t index, const ForeignFaults &faults) {
  InterfaceInfo info;
  info.vendorId = kForeignVendorId;
  info.productId = static_cast<uint16_t>(kForeignFirstProductId + index);
  info.path = MakePath(EveryNth(index, faults.pathWithoutIdsEvery)
                           ? "bth_device_" + std::to_string(index)
                           : UsbDevice(info.vendorId, info.productId));
  info.identity = ForeignIdentity(index);
  info.inputLength = index % 2 == 0 ? 8 : 64;
  info.featureLength = index % 2 == 0 ? 0 : 65;
  info.refusesOpen = EveryNth(index, faults.refuseOpenEvery);
  info.attributesFail = EveryNth(index, faults.failAttributesEvery);
  return info;
}

InterfaceInfo ReceiverInterface(uint16_t productId, bool feature, const DeviceIdentity &identity) {
  InterfaceInfo info;
  info.vendorId = kReceiverVendorId;
  info.productId = productId;
  info.path = MakePath(UsbDevice(info.vendorId, productId) + (feature ? "&mi_01" : "&mi_00"));
  info.identity = identity;
  info.inputLength = feature ? 0 : 8;
  info.featureLength = feature ? 8 : 0;
  return info;
}

}  // namespace

std::vector<InterfaceInfo> Receiver::Impl::Interfaces() const {
  std::vector<InterfaceInfo> list;
  for (uint32_t i = 0; i < foreignCount; ++i) {
    list.push_back(ForeignInterface(i, foreignFaults));
  }
  if (plugged && inputPresent)
    list.push_back(ReceiverInterface(productId, false, IdentityLocked()));
  if (plugged && featurePresent)
    list.push_back(ReceiverInterface(productId, true, IdentityLocked()));
  return list;
}

Receiver::Receiver() : impl_(new Impl) {}
Receiver::~Receiver() { delete impl_; }

void Receiver::SetForeignInterfaceCount(uint32_t count) {
  ChangeSettings([&](Impl &m) { m.foreignCount = count; });
}

// A receiver that answers with another product ID is another device: the
// interfaces of the one before go away with their handles.
void Receiver::SetForeignFaults(const ForeignFaults &faults) {
  ChangeSettings([&](Impl &m) { m.foreignFaults = faults; });
}

uint32_t Receiver::ForeignOpens() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->foreignOpens;
}

void Receiver::SetProductId(uint16_t productId) {
  ChangeSettings([&](Impl &m) {
    if (m.plugged && m.productId != productId) ++m.plugEpoch;
    m.productId = productId;
  });
}

uint16_t Receiver::ProductId() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->productId;
}

// Another release or other strings make another device, as another product
// ID does.
void Receiver::SetRelease(uint16_t release) {
  ChangeSettings([&](Impl &m) {
    if (m.plugged && m.IdentityLocked().release != release) ++m.plugEpoch;
    m.releases[m.productId] = release;
  });
}

void Receiver::SetStrings(const std::string &manufacturer, const std::string &product,
                          const std::string &serial) {
  ChangeSettings([&](Impl &m) {
    DeviceIdentity strings = m.strings;
    strings.manufacturer = manufacturer;
    strings.product = product;
    strings.serial = serial;
    if (m.plugged && !(strings == m.strings)) ++m.plugEpoch;
    m.strings = strings;
  });
}

DeviceIdentity Receiver::Identity() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->IdentityLocked();
}

void Receiver::SetInterfacesPresent(bool input, bool feature) {
  ChangeSettings([&](Impl &m) { m.SetPresentLocked(input, feature); });
}

void Receiver::Plug() {
  ChangeSettings([](Impl &m) { m.plugged = true; });
}

void Receiver::Unplug() {
  ChangeSettings([](Impl &m) {
    if (!m.plugged) return;
    m.plugged = false;
    ++m.plugEpoch;
    m.reports.clear();
  });
}

bool Receiver::IsPlugged() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->plugged;
}

void Receiver::RefuseFeatureWrites(int32_t count) { RefuseFeatureWrites(count, 0); }

void Receiver::RefuseFeatureWrites(int32_t count, uint32_t afterAccepted) {
  ChangeSettings([&](Impl &m) {
    m.rules.refuse_writes = count;
    m.rules.accept_first = afterAccepted;
    ++m.writeRulesSet;
  });
}

void Receiver::RefuseFeatureReads(bool refuse) {
  ChangeSettings([&](Impl &m) { m.rules.refuse_reads = refuse ? 1 : 0; });
}

void Receiver::SetArrival(Arrival arrival, uint32_t gapMs) {
  ChangeSettings([&](Impl &m) {
    m.arrival = arrival;
    m.arrivalGapMs = gapMs;
  });
}

void Receiver::Shutdown() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->shutdown = true;
  impl_->Changed();
}

void Receiver::SetInfo(const ReceiverInfo &info) {
  ChangeSettings([&](Impl &m) { m.info = info; });
}

ReceiverInfo Receiver::Info() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->info;
}

size_t Receiver::PendingReports() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->reports.size() + impl_->reportsInFlight;
}

ServedSettings Receiver::Settings() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  ServedSettings settings;
  settings.version = impl_->settingsVersion;
  settings.interfaces = impl_->Interfaces();
  settings.arrival = impl_->arrival;
  settings.arrivalGapMs = impl_->arrivalGapMs;
  settings.rules = impl_->RulesLocked();
  settings.writeRulesSet = impl_->writeRulesSet;
  settings.stateReport = MakeReport(impl_->pendant, 0);
  return settings;
}

uint64_t Receiver::WaitForSettingsChange(uint64_t seen, uint32_t timeoutMs) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return impl_->settingsVersion != seen || impl_->shutdown; });
  return impl_->settingsVersion;
}

void Receiver::NoteServed(uint64_t version, const std::string &failure) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->servedVersion = version;
  impl_->servedFailure = failure;
  impl_->Changed();
}

bool Receiver::WaitServed(uint32_t timeoutMs, std::string *why) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  const uint64_t wanted = impl_->settingsVersion;
  const bool served = impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return impl_->servedVersion >= wanted || impl_->shutdown;
  });
  if (!served) {
    *why = "the device did not follow the receiver within " + std::to_string(timeoutMs) + " ms";
    return false;
  }
  *why = impl_->servedFailure;
  return why->empty();
}

std::vector<FeatureWrite> Receiver::FeatureWrites() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->writes;
}

std::vector<uint8_t> Receiver::GreetingDays() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->log.GreetingDays();
}

std::vector<DisplayText> Receiver::DisplayTexts() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->log.DisplayTexts();
}

std::vector<Command> Receiver::Commands() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->log.Commands();
}

uint32_t Receiver::InfoRequests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->infoRequests;
}

uint32_t Receiver::OpenHandles() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  uint32_t count = 0;
  for (const auto &entry : impl_->handles) {
    if (entry.second.kind != InterfaceKind::kForeign) ++count;
  }
  return count;
}

std::vector<FeatureEvent> Receiver::FeatureEvents(size_t from) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (from >= impl_->events.size()) return {};
  return std::vector<FeatureEvent>(impl_->events.begin() + static_cast<std::ptrdiff_t>(from),
                                   impl_->events.end());
}

size_t Receiver::FeatureEventCount() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->events.size();
}

void Receiver::Impl::Record(FeatureKind kind, std::vector<uint8_t> bytes, bool accepted) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  events.push_back(FeatureEvent{static_cast<uint64_t>(ms), kind, std::move(bytes), accepted});
}

void Receiver::ClearLog() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->writes.clear();
  impl_->events.clear();
  impl_->log.Clear();
  impl_->infoRequests = 0;
  impl_->Changed();
}

// pred may look at state outside the model too, so it is also tried again
// every few milliseconds.
bool Receiver::WaitFor(const std::function<bool()> &pred, uint32_t timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(impl_->mutex);
  for (;;) {
    const uint64_t seen = impl_->changes;
    lock.unlock();
    if (pred()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    lock.lock();
    impl_->changed.wait_until(lock, std::min(deadline, now + kWaitPollStep),
                              [&] { return impl_->changes != seen; });
  }
}

uint64_t Receiver::WaitForChange(uint64_t seen, uint32_t timeoutMs) const {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return impl_->changes != seen; });
  return impl_->changes;
}

}  // namespace vreceiver
