// The pendant families' codes (DeviceType), chosen from the receiver's USB IDs.
#pragma once

#include <cstdint>

namespace mqd7ra {

constexpr uint16_t kReceiverVendorId = 0x10CE;
constexpr uint16_t kFirstReceiverProductId = 0xEB90;
// The keys-only family: its input reports carry no selectors and no wheel.
constexpr uint8_t kKeysOnlyDeviceType = 2;

// True for an interface that belongs to a pendant receiver.
constexpr bool IsReceiver(uint16_t vendorId, uint16_t productId) {
  return vendorId == kReceiverVendorId && productId >= kFirstReceiverProductId;
}

// DeviceType of a receiver's product ID (one that passed IsReceiver).
constexpr uint8_t DeviceTypeFor(uint16_t productId) {
  switch (productId) {
    case 0xEB91:
      return 4;
    case 0xEB92:
      return 2;
    case 0xEB93:
      return 5;
    case 0xEB96:
      return 3;
    case 0xEB98:
      return 6;
    case 0xEB99:
      return 8;
    case 0xEBA3:
      return 7;
    default:
      return 9;
  }
}

}  // namespace mqd7ra
