#include "virtual_hid_class.h"

#include <chrono>
#include <system_error>

namespace testsupport {

using mqd7ra::DeviceHandle;
using mqd7ra::kInvalidHandle;
using mqd7ra::ReadResult;

namespace {

// Handle values as Windows gives them: multiples of 4, never 0.
constexpr DeviceHandle kHandleStep = 4;
// How long the bus sleeps when the device is quiet before it looks again
// whether it is to stop.
constexpr uint32_t kBusWaitMs = 20;

bool IsReceiverInput(const pendant::InterfaceInfo &info) {
  return info.vendorId == pendant::kReceiverVendorId && info.inputLength != 0 &&
         info.featureLength == 0;
}

}  // namespace

struct VirtualHidClass::OpenHandle {
  int32_t model = 0;  // the device's id for this open
  pendant::InterfaceInfo info;
  bool receiverInput = false;
  uint64_t serial = 0;  // tells this open from a later one under the same value
  uint32_t readsPending = 0;
  ReportRing ring;
};

// A synchronous read pending on a thread, as the driver holds it.
struct VirtualHidClass::PendingRead {
  const VirtualThreads::Thread *thread = nullptr;
  DeviceHandle handle = kInvalidHandle;
  uint64_t serial = 0;
  bool cancelHeld = false;       // a cancel came and waits for its release
  bool cancelEffective = false;  // the read ends as cancelled
};

VirtualHidClass::VirtualHidClass(HostLock &host, vreceiver::Receiver &receiver)
    : host_(host), receiver_(receiver) {
  bus_ = std::thread([this] { Bus(); });
}

VirtualHidClass::~VirtualHidClass() {
  stopping_ = true;
  bus_.join();
}

// The lowest free value, so that a value just closed comes back first.
DeviceHandle VirtualHidClass::Open(const char *path) {
  const int32_t model = receiver_.Open(path);
  if (model == 0) return kInvalidHandle;
  auto open = std::make_unique<OpenHandle>();
  bool listed = false;
  for (const pendant::InterfaceInfo &info : receiver_.ListInterfaces()) {
    if (info.path != path) continue;
    open->info = info;
    listed = true;
  }
  if (!listed) {  // gone again between the open and the look at its descriptor
    receiver_.Close(model);
    return kInvalidHandle;
  }
  open->model = model;
  open->receiverInput = IsReceiverInput(open->info);
  std::lock_guard<std::mutex> lock(host_.mutex);
  open->serial = nextSerial_++;
  DeviceHandle value = kHandleStep;
  while (handles_.count(value) != 0) value += kHandleStep;
  handles_[value] = std::move(open);
  return value;
}

VirtualHidClass::OpenHandle *VirtualHidClass::FindLocked(DeviceHandle handle, uint64_t serial) {
  auto it = handles_.find(handle);
  if (it == handles_.end() || (serial != 0 && it->second->serial != serial)) return nullptr;
  return it->second.get();
}

bool VirtualHidClass::LiveLocked(const OpenHandle &open) const {
  return open.info.vendorId != pendant::kReceiverVendorId || receiver_.IsLive(open.model);
}

// A synchronous handle takes one request at a time: one meeting a pending
// read waits for it (counted; bounded here, for ever on Windows).
void VirtualHidClass::WaitIdleLocked(std::unique_lock<std::mutex> &lock, DeviceHandle handle,
                                     uint32_t *counter) {
  OpenHandle *open = FindLocked(handle);
  if (open == nullptr || open->readsPending == 0) return;
  ++*counter;
  const uint64_t serial = open->serial;
  if (!host_.changed.wait_for(lock, std::chrono::milliseconds(closeWaitLimitMs_), [&] {
        OpenHandle *now = FindLocked(handle, serial);
        return now == nullptr || now->readsPending == 0;
      })) {
    ++counters_.waitsTimedOut;
  }
}

// The value is free for the next open as soon as the close returns.
int32_t VirtualHidClass::Close(DeviceHandle handle) {
  VirtualThreads::EndIfTerminated();
  std::unique_lock<std::mutex> lock(host_.mutex);
  if (FindLocked(handle) == nullptr) {
    ++counters_.invalidCloses;
    return 0;
  }
  WaitIdleLocked(lock, handle, &counters_.closesThatWaited);
  auto it = handles_.find(handle);
  if (it == handles_.end()) {
    ++counters_.invalidCloses;
    return 0;
  }
  const int32_t model = it->second->model;
  handles_.erase(it);
  host_.Changed();
  lock.unlock();
  return receiver_.Close(model) ? 1 : 0;
}

// A request as the driver takes it: after any read pending on the handle,
// and only while its interface is there. Null when refused.
VirtualHidClass::OpenHandle *VirtualHidClass::RequestLocked(std::unique_lock<std::mutex> &lock,
                                                            DeviceHandle handle) {
  WaitIdleLocked(lock, handle, &counters_.requestsThatWaited);
  OpenHandle *open = FindLocked(handle);
  return open != nullptr && LiveLocked(*open) ? open : nullptr;
}

bool VirtualHidClass::Attributes(DeviceHandle handle, mqd7ra::HidAttributes *attributes) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  const OpenHandle *open = RequestLocked(lock, handle);
  if (open == nullptr || open->info.attributesFail) return false;
  attributes->vendorId = open->info.vendorId;
  attributes->productId = open->info.productId;
  return true;
}

bool VirtualHidClass::Lengths(DeviceHandle handle, mqd7ra::ReportLengths *lengths) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  const OpenHandle *open = RequestLocked(lock, handle);
  if (open == nullptr) return false;
  lengths->input = open->info.inputLength;
  lengths->feature = open->info.featureLength;
  return true;
}

bool VirtualHidClass::SetRingSize(DeviceHandle handle, uint32_t count) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  OpenHandle *open = RequestLocked(lock, handle);
  if (open == nullptr) return false;
  const uint32_t before = open->ring.Size();
  if (!open->ring.SetCapacity(count)) return false;
  counters_.reportsDropped += before - open->ring.Size();
  return true;
}

// The class driver's rule: a buffer shorter than the feature report is
// refused before it reaches the device (counted), a longer one is cut to it.
// The device's id for the open and the length to pass on, or 0.
int32_t VirtualHidClass::FeatureTarget(DeviceHandle handle, uint32_t length, uint16_t *accepted) {
  std::unique_lock<std::mutex> lock(host_.mutex);
  const OpenHandle *open = RequestLocked(lock, handle);
  *accepted = 0;
  if (open == nullptr) return 0;
  const uint16_t featureLength = open->info.featureLength;
  if (featureLength == 0 || length < featureLength) {
    ++counters_.refusedFeatureBuffers;
    return 0;
  }
  *accepted = featureLength;
  return open->model;
}

bool VirtualHidClass::SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) {
  uint16_t accepted = 0;
  const int32_t model = FeatureTarget(handle, length, &accepted);
  return model != 0 && receiver_.SetFeature(model, report, accepted);
}

bool VirtualHidClass::GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) {
  uint16_t accepted = 0;
  const int32_t model = FeatureTarget(handle, length, &accepted);
  return model != 0 && receiver_.GetFeature(model, report, accepted);
}

bool VirtualHidClass::RegisterLocked(PendingRead *read) {
  for (PendingRead *&slot : pending_) {
    if (slot != nullptr) continue;
    slot = read;
    return true;
  }
  return false;
}

void VirtualHidClass::UnregisterLocked(PendingRead *read) {
  for (PendingRead *&slot : pending_) {
    if (slot == read) slot = nullptr;
  }
}

ReadResult VirtualHidClass::Read(DeviceHandle handle, uint8_t *buffer, uint32_t length) {
  const VirtualThreads::Thread *self = VirtualThreads::Current();
  std::unique_lock<std::mutex> lock(host_.mutex);
  ++heldReads_;
  host_.Changed();
  host_.changed.wait(
      lock, [&] { return !holdReads_ || shutdown_ || (self != nullptr && self->terminated); });
  --heldReads_;
  if (self != nullptr && self->terminated) {
    lock.unlock();
    VirtualThreads::EndIfTerminatedInRead();  // a thread ended by force starts no read
  }
  OpenHandle *open = FindLocked(handle);
  if (open == nullptr || shutdown_) return ReadResult::kFailed;
  if (!open->receiverInput) {
    ++counters_.strayReads;
    return ReadResult::kFailed;
  }
  if (length < open->info.inputLength) return ReadResult::kFailed;
  if (throwNextRead_) {
    throwNextRead_ = false;
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  if (failWithAbort_) return ReadResult::kCancelled;
  PendingRead read;
  read.thread = self;
  read.handle = handle;
  read.serial = open->serial;
  if (!RegisterLocked(&read)) return ReadResult::kFailed;
  ++open->readsPending;
  const ReadResult result = WaitForReportLocked(lock, &read, buffer, length);
  UnregisterLocked(&read);
  if (OpenHandle *still = FindLocked(handle, read.serial)) --still->readsPending;
  host_.Changed();
  lock.unlock();
  VirtualThreads::EndIfTerminatedInRead();
  return result;
}

// A report in the ring ends the read first; then a cancel that has taken
// effect; a handle whose interface went away (or was closed under the read
// after the bounded wait) fails it.
ReadResult VirtualHidClass::WaitForReportLocked(std::unique_lock<std::mutex> &lock,
                                                PendingRead *read, uint8_t *buffer,
                                                uint32_t length) {
  for (;;) {
    OpenHandle *open = FindLocked(read->handle, read->serial);
    if (shutdown_ || open == nullptr || !LiveLocked(*open)) return ReadResult::kFailed;
    if (open->ring.Pop(buffer, length)) return ReadResult::kReport;
    if (read->cancelEffective) return ReadResult::kCancelled;
    host_.changed.wait(lock);
  }
}

bool VirtualHidClass::CancelReadOfLocked(const VirtualThreads::Thread *thread) {
  for (PendingRead *read : pending_) {
    if (read == nullptr || read->thread != thread) continue;
    if (cancelMode_ == CancelMode::kPrompt) read->cancelEffective = true;
    if (cancelMode_ == CancelMode::kHeld) read->cancelHeld = true;
    host_.Changed();
    return true;
  }
  return false;
}

void VirtualHidClass::Shutdown() {
  std::lock_guard<std::mutex> lock(host_.mutex);
  shutdown_ = true;
  host_.Changed();
}

void VirtualHidClass::SetCancelMode(CancelMode mode) {
  {
    std::lock_guard<std::mutex> lock(host_.mutex);
    cancelMode_ = mode;
  }
  if (mode == CancelMode::kPrompt) ReleaseHeldCancels();
}

void VirtualHidClass::ReleaseHeldCancels() {
  std::lock_guard<std::mutex> lock(host_.mutex);
  for (PendingRead *read : pending_) {
    if (read != nullptr && read->cancelHeld) read->cancelEffective = true;
  }
  host_.Changed();
}

void VirtualHidClass::HoldReads(bool hold) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  holdReads_ = hold;
  host_.Changed();
}

uint32_t VirtualHidClass::HeldReads() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  return heldReads_;
}

uint32_t VirtualHidClass::PendingReads() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  uint32_t count = 0;
  for (const PendingRead *read : pending_) count += read != nullptr ? 1 : 0;
  return count;
}

void VirtualHidClass::SetCloseWaitLimit(uint32_t milliseconds) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  closeWaitLimitMs_ = milliseconds;
}

void VirtualHidClass::FailReadsWithAbort(bool fail) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  failWithAbort_ = fail;
}

void VirtualHidClass::ThrowFromNextRead() {
  std::lock_guard<std::mutex> lock(host_.mutex);
  throwNextRead_ = true;
}

IoCounters VirtualHidClass::Counters() const {
  std::lock_guard<std::mutex> lock(host_.mutex);
  IoCounters counters = counters_;
  counters.openHandles = static_cast<uint32_t>(handles_.size());
  return counters;
}

// hidclass reads the device all the time, whether or not a program has it
// open: each report goes into the ring of every handle open on the
// interface then, and is gone for every other.
void VirtualHidClass::Bus() {
  uint64_t seen = 0;
  while (!stopping_) {
    seen = receiver_.WaitForChange(seen, kBusWaitMs);
    pendant::Report report;
    while (receiver_.TakeReport(&report, 0)) {
      Deliver(report);
      receiver_.ReportSent();
    }
    // Reads look again whether their interface is still there.
    std::lock_guard<std::mutex> lock(host_.mutex);
    host_.Changed();
  }
}

void VirtualHidClass::Deliver(const pendant::Report &report) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  for (auto &entry : handles_) {
    OpenHandle &open = *entry.second;
    if (!open.receiverInput || !LiveLocked(open)) continue;
    if (open.ring.Push(report)) ++counters_.reportsDropped;
  }
  host_.Changed();
}

}  // namespace testsupport
