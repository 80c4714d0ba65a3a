// The receiver model, device side: what a platform port calls to list, open,
// read and write the interfaces.
#include <algorithm>
#include <cstring>

#include "receiver_impl.h"

namespace vreceiver {

namespace {

constexpr uint32_t kFeatureLength = 8;
constexpr uint32_t kPreludeLength = 6;
constexpr uint8_t kInfoByte3 = 0x01;
constexpr uint8_t kInfoByte7 = 0xA5;  // the library puts its model code here

}  // namespace

const HandleRecord *Receiver::Impl::Live(int32_t handle, InterfaceKind kind) const {
  auto it = handles.find(handle);
  if (it == handles.end() || it->second.kind != kind) return nullptr;
  if (kind != InterfaceKind::kForeign && (!plugged || it->second.plugEpoch != plugEpoch)) {
    return nullptr;
  }
  return &it->second;
}

std::vector<InterfaceInfo> Receiver::ListInterfaces() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->Interfaces();
}

int32_t Receiver::Open(const std::string &path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const std::vector<InterfaceInfo> list = impl_->Interfaces();
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].path != path) continue;
    HandleRecord record;
    record.plugEpoch = impl_->plugEpoch;
    if (list[i].vendorId != kReceiverVendorId) {
      record.foreignIndex = static_cast<uint32_t>(i);
    } else {
      record.kind = list[i].featureLength != 0 ? InterfaceKind::kFeature : InterfaceKind::kInput;
    }
    const int32_t handle = impl_->nextHandle++;
    impl_->handles[handle] = record;
    impl_->Changed();
    return handle;
  }
  return 0;
}

bool Receiver::Close(int32_t handle) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->handles.erase(handle) == 0) return false;
  impl_->Changed();
  return true;
}

bool Receiver::Attributes(int32_t handle, uint16_t *vendorId, uint16_t *productId) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  auto it = impl_->handles.find(handle);
  if (it == impl_->handles.end()) return false;
  if (it->second.kind == InterfaceKind::kForeign) {
    const std::vector<InterfaceInfo> list = impl_->Interfaces();
    if (it->second.foreignIndex >= list.size()) return false;
    const InterfaceInfo &info = list[it->second.foreignIndex];
    *vendorId = info.vendorId;
    *productId = info.productId;
    return true;
  }
  if (impl_->Live(handle, it->second.kind) == nullptr) return false;
  *vendorId = kReceiverVendorId;
  *productId = impl_->productId;
  return true;
}

bool Receiver::Lengths(int32_t handle, uint16_t *input, uint16_t *feature) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  auto it = impl_->handles.find(handle);
  if (it == impl_->handles.end()) return false;
  const InterfaceKind kind = it->second.kind;
  if (kind == InterfaceKind::kForeign) {
    const std::vector<InterfaceInfo> list = impl_->Interfaces();
    if (it->second.foreignIndex >= list.size()) return false;
    const InterfaceInfo &info = list[it->second.foreignIndex];
    *input = info.inputLength;
    *feature = info.featureLength;
    return true;
  }
  if (impl_->Live(handle, kind) == nullptr) return false;
  *input = kind == InterfaceKind::kInput ? 8 : 0;
  *feature = kind == InterfaceKind::kFeature ? 8 : 0;
  return true;
}

// Allocates nothing: the wait slot is a fixed array entry and the queue only
// gives reports up.
bool Receiver::Read(int32_t handle, uint8_t *buffer, uint32_t length, uint64_t reader) {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  if (impl_->Live(handle, InterfaceKind::kInput) == nullptr) return false;
  auto slot = std::find_if(impl_->blocked.begin(), impl_->blocked.end(),
                           [](const BlockedRead &b) { return !b.inUse; });
  if (slot != impl_->blocked.end()) *slot = BlockedRead{true, reader, false};
  bool delivered = false;
  for (;;) {
    if (impl_->shutdown || impl_->Live(handle, InterfaceKind::kInput) == nullptr) break;
    if (slot != impl_->blocked.end() && slot->cancelled) break;
    if (!impl_->reports.empty()) {
      std::memcpy(buffer, impl_->reports.front().data(), std::min<size_t>(length, sizeof(Report)));
      impl_->reports.pop_front();
      delivered = true;
      break;
    }
    impl_->changed.wait(lock);
  }
  if (slot != impl_->blocked.end()) slot->inUse = false;
  impl_->Changed();
  return delivered;
}

bool Receiver::Cancel(uint64_t reader) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->EndBlockedRead(reader, !impl_->cancelIgnored);
}

bool Receiver::EndRead(uint64_t reader) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->EndBlockedRead(reader, true);
}

bool Receiver::Impl::EndBlockedRead(uint64_t reader, bool end) {
  bool found = false;
  for (BlockedRead &b : blocked) {
    if (!b.inUse || b.reader != reader) continue;
    found = true;
    b.cancelled = b.cancelled || end;
  }
  Changed();
  return found;
}

// Refused writes are logged as such but never decoded.
bool Receiver::SetFeature(int32_t handle, const uint8_t *report, uint32_t length) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->Live(handle, InterfaceKind::kFeature) == nullptr) return false;
  if (length != kFeatureLength && length != kPreludeLength) return false;
  const bool accepted = vr_take_write(&impl_->rules) != 0;
  impl_->RecordWriteLocked(report, length, accepted);
  return accepted;
}

Report Receiver::Impl::InfoReportLocked() const {
  return Report{kFeatureReportId,
                static_cast<uint8_t>(info.deviceId & 0xFF),
                static_cast<uint8_t>(info.deviceId >> 8),
                kInfoByte3,
                static_cast<uint8_t>(info.channel),
                info.rssi,
                0,
                kInfoByte7};
}

vr_feature_rules Receiver::Impl::RulesLocked() const {
  vr_feature_rules answering = rules;
  const Report answer = InfoReportLocked();
  std::copy(answer.begin(), answer.end(), answering.info_report);
  return answering;
}

bool Receiver::GetFeature(int32_t handle, uint8_t *report, uint32_t length) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->Live(handle, InterfaceKind::kFeature) == nullptr || length < kFeatureLength) {
    return false;
  }
  ++impl_->infoRequests;
  impl_->Changed();
  const vr_feature_rules rules = impl_->RulesLocked();
  const bool answered = vr_answer_request(&rules, report, kFeatureLength) >= 0;
  impl_->RecordInfoAnswerLocked();
  return answered;
}

Report Receiver::InfoReport() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->InfoReportLocked();
}

void Receiver::RecordFeatureWrite(const uint8_t *report, uint32_t length, bool accepted) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->RecordWriteLocked(report, length, accepted);
}

void Receiver::RecordInfoRequest() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  ++impl_->infoRequests;
  impl_->RecordInfoAnswerLocked();
  impl_->Changed();
}

}  // namespace vreceiver
