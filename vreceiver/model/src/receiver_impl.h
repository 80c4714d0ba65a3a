// The receiver model's state, shared by its script side and device side.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "feature_log.h"
#include "pendant/pendant_commands.h"
#include "vreceiver/receiver.h"

namespace vreceiver {

enum class InterfaceKind { kForeign, kInput, kFeature };

// An open of one of the receiver's interfaces (or a foreign one) as the
// device observed it. A receiver handle goes stale, for good, once its
// interface has left the list: at an unplug (plugEpoch passed) or when that
// interface alone went away (its removal count passed).
struct HandleRecord {
  InterfaceKind kind = InterfaceKind::kForeign;
  uint64_t plugEpoch = 0;
  uint64_t removals = 0;
};

struct Receiver::Impl {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  uint64_t changes = 0;

  uint32_t foreignCount = 2;
  ForeignFaults foreignFaults;
  uint32_t foreignOpens = 0;
  uint16_t productId = kDefaultProductId;
  std::map<uint16_t, uint16_t> releases;  // set per product ID
  DeviceIdentity strings = DefaultReceiverStrings();
  bool inputPresent = true;
  bool featurePresent = true;
  bool plugged = true;
  uint64_t plugEpoch = 1;
  Arrival arrival = Arrival::kInputLast;
  uint32_t arrivalGapMs = 0;
  // The information report in it is made when asked (InfoReportLocked).
  vr_feature_rules rules{};
  uint64_t writeRulesSet = 0;
  uint64_t settingsVersion = 1;
  uint64_t servedVersion = 0;
  std::string servedFailure;
  bool shutdown = false;
  uint64_t inputRemovals = 0;    // times the input interface alone went away
  uint64_t featureRemovals = 0;  // the same for the feature interface

  std::deque<Report> reports;
  uint32_t reportsInFlight = 0;  // taken by TakeReport, not yet sent
  PendantState pendant;
  Report stateReport = MakeReport(PendantState{}, 0);  // as last made a setting
  ReceiverInfo info;

  std::vector<FeatureWrite> writes;
  std::vector<FeatureEvent> events;
  FeatureLog log;
  uint32_t infoRequests = 0;

  std::map<int32_t, HandleRecord> handles;
  int32_t nextHandle = 1;

  // Call with the mutex held.
  void Record(FeatureKind kind, std::vector<uint8_t> bytes, bool accepted);
  // Call with the mutex held after every change a waiter may look for.
  void Changed() {
    ++changes;
    changed.notify_all();
  }
  // Reports made while unplugged never reach the host.
  void QueueLocked(const Report &report) {
    if (!plugged) return;
    reports.push_back(report);
    Changed();
  }
  void RecordWriteLocked(const uint8_t *report, uint32_t length, bool accepted) {
    const FeatureKind kind = accepted ? log.Add(report, length) : FeatureKind::kStray;
    writes.push_back(FeatureWrite{std::vector<uint8_t>(report, report + length), accepted});
    Record(kind, writes.back().bytes, accepted);
    Changed();
  }
  // Logs an information request with the answer given, or as refused.
  void RecordInfoAnswerLocked() {
    if (rules.refuse_reads) {
      Record(FeatureKind::kInformation, {}, false);
    } else {
      const Report answer = InfoReportLocked();
      Record(FeatureKind::kInformation, std::vector<uint8_t>(answer.begin(), answer.end()), true);
    }
  }
  Report InfoReportLocked() const;
  // The feature rules with the information report as it stands now.
  vr_feature_rules RulesLocked() const;
  // Which receiver interfaces are listed; one that goes away takes its
  // handles with it.
  void SetPresentLocked(bool input, bool feature);
  // The record of an open handle that still reaches its interface, or null.
  const HandleRecord *Live(int32_t handle, InterfaceKind kind) const;
  uint64_t RemovalsOf(InterfaceKind kind) const {
    return kind == InterfaceKind::kInput ? inputRemovals : featureRemovals;
  }
  std::vector<InterfaceInfo> Interfaces() const;
  DeviceIdentity IdentityLocked() const {
    DeviceIdentity identity = strings;
    auto it = releases.find(productId);
    identity.release = it != releases.end() ? it->second : DefaultRelease(productId);
    return identity;
  }
  // The pendant moved: its state is a setting once its report differs
  // from the last one (a serving device answers input-report requests
  // with it).
  void PendantMovedLocked() {
    const Report now = MakeReport(pendant, 0);
    if (now != stateReport) {
      stateReport = now;
      ++settingsVersion;
    }
    Changed();
  }
};

// Settings change under the lock, and every waiter hears of it.
template <typename Change>
void Receiver::ChangeSettings(Change change) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  change(*impl_);
  ++impl_->settingsVersion;
  impl_->Changed();
}

}  // namespace vreceiver
