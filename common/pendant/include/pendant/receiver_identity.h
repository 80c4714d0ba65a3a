// Who the receiver is on the USB bus, as the tools see it: the vendor ID,
// the product IDs of the pendant families, the report lengths and IDs.
// These are the virtual receiver's own (the receiver is the other party to
// the library's protocol, so it does not borrow the library's tables).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pendant {

constexpr uint16_t kReceiverVendorId = 0x10CE;  // 4302
// The first product ID a receiver has; every ID from here up is one.
constexpr uint16_t kFirstReceiverProductId = 0xEB90;  // 60304
constexpr uint16_t kDefaultProductId = 0xEB91;        // a 4-line handwheel's family
constexpr uint16_t kReportLength = 8;                 // report ID included
constexpr uint8_t kInputReportId = 4;
constexpr uint8_t kFeatureReportId = 6;

constexpr bool IsReceiver(uint16_t vendorId, uint16_t productId) {
  return vendorId == kReceiverVendorId && productId >= kFirstReceiverProductId;
}

// The pendant family a receiver's product ID names, for a person to read
// (UTF-8: "MQD9RA带手轮 波段开关,LCD显示4行"); the catch-all family for other
// IDs from 0xEB90 up, null below.
const char *PendantFamily(uint16_t productId);
// The product IDs with a family of their own, and 0xEB90 for the rest.
constexpr uint16_t kKnownProductIds[] = {0xEB90, 0xEB91, 0xEB92, 0xEB93,
                                         0xEB96, 0xEB98, 0xEB99, 0xEBA3};

// What a USB device's descriptors say of it beyond its IDs: the release
// (bcdDevice) and the strings its device descriptor points at (UTF-8).
struct DeviceIdentity {
  uint16_t release = 0;
  std::string manufacturer;
  std::string product;
  std::string serial;
  bool operator==(const DeviceIdentity &other) const {
    return release == other.release && manufacturer == other.manufacturer &&
           product == other.product && serial == other.serial;
  }
};

// A USB string descriptor holds up to 126 UTF-16 code units.
constexpr size_t kStringDescriptorChars = 126;
// Whether a UTF-8 text fits one.
bool FitsStringDescriptor(const std::string &utf8);

// The virtual receiver's strings until a script sets others: they say
// plainly that it is no real receiver.
DeviceIdentity DefaultReceiverStrings();
// The release a receiver of this product ID reports until one is set:
// 0x0100 for 0xEB90, one more for each ID above it.
uint16_t DefaultRelease(uint16_t productId);
// The identity of foreign interface `index` (another vendor's device).
DeviceIdentity ForeignIdentity(uint32_t index);

}  // namespace pendant
