// What the receiver and the pendant exchange, as every party to it sees
// it: an input report, the pendant's state the reports carry, and a HID
// interface as a host lists it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "pendant/receiver_identity.h"

namespace pendant {

using Report = std::array<uint8_t, kReportLength>;

// What the pendant currently holds; turned into input reports.
struct PendantState {
  uint8_t key1 = 0;
  uint8_t key2 = 0;
  uint8_t stepCode = 13;  // 1x
  bool wheelEnabled = false;
  bool emergencyStop = false;
  uint8_t axisCode = 17;  // X
  // Where the wheel stands: all deltas sent, summed (64 bits: a day of
  // fast turning passes 2^31 detents).
  int64_t wheelDetents = 0;
};

struct InterfaceInfo {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t inputLength = 0;    // report ID included; 0 = no input reports
  uint16_t featureLength = 0;  // report ID included; 0 = no feature reports
  DeviceIdentity identity;     // of the USB device the interface belongs to
  // Another vendor's device that refuses every open (one held exclusively,
  // or whose driver says no), or whose attribute query fails once open (a
  // device going away).
  bool refusesOpen = false;
  bool attributesFail = false;
};

}  // namespace pendant
