// The receiver model, device side: its interfaces, the opens and closes it
// observes, and the feature reports it takes and answers.
#include <chrono>
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
  if (kind == InterfaceKind::kForeign) return &it->second;
  const HandleRecord &record = it->second;
  if (!plugged || record.plugEpoch != plugEpoch || record.removals != RemovalsOf(kind)) {
    return nullptr;
  }
  return &record;
}

void Receiver::Impl::SetPresentLocked(bool input, bool feature) {
  if (inputPresent && !input) ++inputRemovals;
  if (featurePresent && !feature) ++featureRemovals;
  inputPresent = input;
  featurePresent = feature;
  Changed();
}

std::vector<InterfaceInfo> Receiver::ListInterfaces() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->Interfaces();
}

int32_t Receiver::Open(const std::string &path) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  for (const InterfaceInfo &info : impl_->Interfaces()) {
    if (info.path != path) continue;
    if (info.vendorId != kReceiverVendorId) ++impl_->foreignOpens;
    if (info.refusesOpen) {
      impl_->Changed();
      return 0;
    }
    HandleRecord record;
    if (info.vendorId == kReceiverVendorId) {
      record.kind = info.featureLength != 0 ? InterfaceKind::kFeature : InterfaceKind::kInput;
      record.plugEpoch = impl_->plugEpoch;
      record.removals = impl_->RemovalsOf(record.kind);
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

bool Receiver::IsLive(int32_t handle) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  auto it = impl_->handles.find(handle);
  return it != impl_->handles.end() && impl_->Live(handle, it->second.kind) != nullptr;
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

bool Receiver::TakeReport(Report *report, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  const bool ready = impl_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return impl_->shutdown || !impl_->reports.empty();
  });
  if (!ready || impl_->shutdown) return false;
  *report = impl_->reports.front();
  impl_->reports.pop_front();
  ++impl_->reportsInFlight;
  impl_->Changed();
  return true;
}

void Receiver::ReportSent() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->reportsInFlight > 0) --impl_->reportsInFlight;
  impl_->Changed();
}

}  // namespace vreceiver
