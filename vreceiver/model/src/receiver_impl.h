// The receiver model's state, shared by its script side and device side.
#pragma once

#include <array>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "feature_log.h"
#include "vreceiver/receiver.h"

namespace vreceiver {

enum class InterfaceKind { kForeign, kInput, kFeature };

struct HandleRecord {
  InterfaceKind kind = InterfaceKind::kForeign;
  uint32_t foreignIndex = 0;
  uint64_t plugEpoch = 0;  // receiver handles go stale when this is passed
};

// A reader blocked in Read, so that Cancel can find it without allocating.
struct BlockedRead {
  bool inUse = false;
  uint64_t reader = 0;
  bool cancelled = false;
};

struct Receiver::Impl {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  uint64_t changes = 0;

  uint32_t foreignCount = 2;
  uint16_t productId = kDefaultProductId;
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
  bool cancelIgnored = false;

  std::deque<Report> reports;
  uint32_t reportsInFlight = 0;  // taken by TakeReport, not yet sent
  PendantState pendant;
  ReceiverInfo info;

  std::vector<FeatureWrite> writes;
  std::vector<FeatureEvent> events;
  FeatureLog log;
  uint32_t infoRequests = 0;

  std::map<int32_t, HandleRecord> handles;
  int32_t nextHandle = 1;
  std::array<BlockedRead, 16> blocked{};

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
  // Marks the reader's blocked read to end when `end`; true when one exists.
  bool EndBlockedRead(uint64_t reader, bool end);
  // The record of an open handle that still reaches its interface, or null.
  const HandleRecord *Live(int32_t handle, InterfaceKind kind) const;
  std::vector<InterfaceInfo> Interfaces() const;
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
