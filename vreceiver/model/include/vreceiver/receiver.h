// The virtual receiver: a model of the pendant's USB receiver as a device,
// with the HID interfaces of the rest of the machine around it.
//
// One object holds the whole "machine": a list of HID interfaces (foreign ones
// first, then the receiver's input and feature interfaces while it is
// plugged in), the pendant's input reports waiting to leave the device, the
// feature reports the receiver has been sent (decoded into greetings, display
// frames and commands), and the information report it answers with.
//
// It is the one state of the receiver, and these use it:
//  - the script side (tests, the demo, the pendant window, a person at the
//    command pipe) plugs, unplugs, sets the receiver's faults and reads what
//    was received; the pendant (vreceiver::Pendant) sends its reports here;
//  - the in-process device side (the native tests' strict platform): what a
//    host's HID stack meets: the interfaces, the input reports sent on the
//    interrupt endpoint, the feature reports taken and answered, the opens
//    and closes observed. Everything between a program and the device
//    (handles, each handle's queue of input reports, blocking reads,
//    cancels) belongs to the host;
//  - the serving side (the receiver process under Wine): the settings it
//    follows into the driver, the reports it hands over, and what the
//    driver saw, recorded back here.
// Every member is thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "pendant/pendant_report.h"
#include "pendant/receiver_identity.h"
#include "vreceiver/feature_rules.h"

namespace vreceiver {

// The model speaks the pendant's protocol: its words are the model's too.
using pendant::DefaultReceiverStrings;
using pendant::DefaultRelease;
using pendant::DeviceIdentity;
using pendant::FitsStringDescriptor;
using pendant::ForeignIdentity;
using pendant::InterfaceInfo;
using pendant::IsReceiver;
using pendant::kDefaultProductId;
using pendant::kFeatureReportId;
using pendant::kFirstReceiverProductId;
using pendant::kInputReportId;
using pendant::kKnownProductIds;
using pendant::kReceiverVendorId;
using pendant::kReportLength;
using pendant::kStringDescriptorChars;
using pendant::PendantFamily;
using pendant::PendantState;
using pendant::Report;

// The pendant's LCD: four lines of these widths in bytes, 59 in all.
constexpr size_t kLcdLineWidths[] = {11, 16, 16, 16};
constexpr size_t kLcdLineCount = std::size(kLcdLineWidths);
// A payload split into the LCD's lines, in bytes; a line the payload does
// not reach is cut short or empty.
std::vector<std::string> LcdLines(const std::vector<uint8_t> &payload);

// Which of the foreign interfaces are awkward: every n-th refuses opens,
// fails its attribute query, or has a path without USB IDs (as those of
// Bluetooth devices); 0 for none.
struct ForeignFaults {
  uint32_t refuseOpenEvery = 0;
  uint32_t failAttributesEvery = 0;
  uint32_t pathWithoutIdsEvery = 0;
};

// The order in which the receiver's two interfaces arrive when it is
// plugged in (they are two child devices of the USB device, each appearing
// on its own): the input interface after the feature one, or before it.
enum class Arrival { kInputLast, kInputFirst };

// What the receiver's server (the receiver process, through the driver)
// presents to the system: the interfaces listed, how the receiver's arrive,
// and the rules for feature reports.
struct ServedSettings {
  uint64_t version = 0;  // changes with every change of the settings
  std::vector<InterfaceInfo> interfaces;
  Arrival arrival = Arrival::kInputLast;
  uint32_t arrivalGapMs = 0;  // between the first interface listed and the second
  vr_feature_rules rules{};
  uint64_t writeRulesSet = 0;  // counts RefuseFeatureWrites calls
  // The pendant's state as an input report (no wheel movement): the answer
  // to an input-report request on the control pipe.
  std::array<uint8_t, kReportLength> stateReport{};
};

// The receiver's answer to an information request.
struct ReceiverInfo {
  uint16_t deviceId = 0x1234;
  int8_t channel = 5;
  uint8_t rssi = 30;
};

// One feature report as it reached the receiver (length 8, or 6 for a prelude).
struct FeatureWrite {
  std::vector<uint8_t> bytes;
  bool accepted = true;
};

struct DisplayText {
  uint8_t day = 0;               // day byte of the frame header
  std::vector<uint8_t> payload;  // the bytes after the frame header
  // The payload read as the LCD's four lines (11, 16, 16, 16 bytes) when it
  // is 59 bytes long; empty otherwise.
  std::vector<std::string> lines;
};

struct Command {
  std::vector<uint8_t> bytes;  // command bytes after a prelude, trailing zero fill removed
};

// What one feature report was, as the receiver took it when it came.
enum class FeatureKind {
  kGreeting,     // FE FD day and four spaces (a frame starting so looks alike)
  kFrame,        // a report of a display frame
  kPrelude,      // the 6-byte report before a command
  kCommand,      // a report of a command
  kInformation,  // an information request; bytes are the answer
  kStray,        // a continuation with nothing to continue, or a refused write
};

// One feature report in arrival order, for a log a person reads.
struct FeatureEvent {
  uint64_t timeMs = 0;  // wall clock: milliseconds since 1970-01-01 UTC
  FeatureKind kind = FeatureKind::kStray;
  std::vector<uint8_t> bytes;  // as written; for a request, the answer (none if refused)
  bool accepted = true;
};

class Receiver {
 public:
  Receiver();
  ~Receiver();
  Receiver(const Receiver &) = delete;
  Receiver &operator=(const Receiver &) = delete;

  // ---- Script side: the machine ----
  // Number of foreign HID interfaces listed before the receiver's (default 2).
  void SetForeignInterfaceCount(uint32_t count);
  void SetForeignFaults(const ForeignFaults &faults);
  // Opens of foreign interfaces asked for so far, refused ones included.
  uint32_t ForeignOpens() const;
  void SetProductId(uint16_t productId);
  uint16_t ProductId() const;
  // The release (bcdDevice) the receiver reports with the current product
  // ID; each product ID keeps its own.
  void SetRelease(uint16_t release);
  // The receiver's manufacturer, product and serial number strings (UTF-8).
  void SetStrings(const std::string &manufacturer, const std::string &product,
                  const std::string &serial);
  // Who the receiver is now (release of the current product ID, strings).
  DeviceIdentity Identity() const;
  // Lists the input interface only, the feature interface only, or both.
  void SetInterfacesPresent(bool input, bool feature);
  // The receiver starts plugged in.
  void Plug();
  // Removes the receiver: open handles fail, blocked reads return failure.
  void Unplug();
  bool IsPlugged() const;
  // Refuse the next `count` feature writes (greetings, frame and command
  // reports; preludes count too); -1 refuses all until set back to 0.
  void RefuseFeatureWrites(int32_t count);
  // The same, once `afterAccepted` more writes have been accepted.
  void RefuseFeatureWrites(int32_t count, uint32_t afterAccepted);
  void RefuseFeatureReads(bool refuse);
  // The order and gap in which the receiver's interfaces arrive at a plug.
  void SetArrival(Arrival arrival, uint32_t gapMs);
  // Ends every wait for a report to send, for good (process end, test
  // teardown).
  void Shutdown();

  // The information the receiver answers with.
  void SetInfo(const ReceiverInfo &info);
  ReceiverInfo Info() const;
  // The pendant's reports queued and not yet handed to the host (the
  // pendant itself is vreceiver::Pendant).
  size_t PendingReports() const;

  // ---- Script side: what the receiver got ----
  std::vector<FeatureWrite> FeatureWrites() const;
  std::vector<uint8_t> GreetingDays() const;  // day byte of each greeting
  std::vector<DisplayText> DisplayTexts() const;
  std::vector<Command> Commands() const;
  uint32_t InfoRequests() const;
  // Feature reports sent and requested, from entry `from` on.
  std::vector<FeatureEvent> FeatureEvents(size_t from = 0) const;
  size_t FeatureEventCount() const;
  uint32_t OpenHandles() const;  // handles open on the receiver's interfaces
  void ClearLog();
  // Waits until pred() holds or the timeout passes; pred runs without the
  // model's lock (it may call any member) and again after every change.
  bool WaitFor(const std::function<bool()> &pred, uint32_t timeoutMs) const;
  // Waits until the model changed since count `seen` (or the timeout
  // passes) and returns the count of changes now.
  uint64_t WaitForChange(uint64_t seen, uint32_t timeoutMs) const;

  // ---- What the receiver's server follows ----
  ServedSettings Settings() const;
  // Waits until the settings' version differs from `seen` (or the timeout
  // passes) and returns the version now.
  uint64_t WaitForSettingsChange(uint64_t seen, uint32_t timeoutMs) const;
  // The serving side presents the settings of `version` now; `failure` says
  // why it could not (empty when it did).
  void NoteServed(uint64_t version, const std::string &failure);
  // Waits until the settings as they are now are presented; false with the
  // reason when they could not be, or not within the time.
  bool WaitServed(uint32_t timeoutMs, std::string *why) const;

  // ---- Device side: what a host's HID stack meets ----
  std::vector<InterfaceInfo> ListInterfaces() const;
  // The device observes an open of a listed interface: a handle id (>0), or
  // 0 when the path is not listed now or the interface refuses opens.
  int32_t Open(const std::string &path);
  bool Close(int32_t handle);
  // Whether the interface the handle was opened on is still there: an
  // interface that leaves the list (an unplug, or the interface alone going
  // away) is gone for good, and one listed again is another device.
  bool IsLive(int32_t handle) const;
  bool SetFeature(int32_t handle, const uint8_t *report, uint32_t length);
  bool GetFeature(int32_t handle, uint8_t *report, uint32_t length);
  // The interrupt endpoint: takes the oldest queued input report for
  // sending; false when none came within the timeout or after Shutdown().
  // The report leaves the device whether or not any host handle is open; it
  // counts as pending until ReportSent(), so wait-sent waits for the host to
  // take it.
  bool TakeReport(Report *report, uint32_t timeoutMs);
  void ReportSent();

  // ---- Device side for a device that answers by itself (the Wine driver,
  // which the receiver process feeds from these and reports back to) ----
  // The information report as the receiver answers it now.
  Report InfoReport() const;
  // Records a feature report that reached the device, taken or refused.
  void RecordFeatureWrite(const uint8_t *report, uint32_t length, bool accepted);
  void RecordInfoRequest();

 private:
  friend class Pendant;  // keeps its state in the model
  // Applies a change to the settings the receiver's server follows.
  template <typename Change>
  void ChangeSettings(Change change);

  struct Impl;
  Impl *impl_;
};

}  // namespace vreceiver
