#include "pendant/receiver_identity.h"

#include <cstdio>

namespace pendant {

namespace {

struct Family {
  uint16_t productId;
  const char *name;
};

// The families as the pendants' makers name them (UTF-8).
constexpr Family kFamilies[] = {
    {0xEB91, "MQD9RA带手轮 波段开关,LCD显示4行"},
    {0xEB92, "MQD7RA全部按键"},
    {0xEB93, "VQD6RA 带手轮 波段开关,LCD显示3行"},
    {0xEB96, "VQD8RA 带手轮 波段开关,LCD显示3行"},
    {0xEB98, "MQD9RA-LNSK 带手轮 波段开关,LCD显示3行"},
    {0xEB99, "vQD8RA带手轮 波段开关,LCD显示3行"},
    {0xEBA3, "vQDz带手轮 波段开关,LCD显示4行"},
};
constexpr const char *kOtherFamily = "vQDz带手轮 波段开关,LCD显示4行";

}  // namespace

const char *PendantFamily(uint16_t productId) {
  if (!IsReceiver(kReceiverVendorId, productId)) return nullptr;
  for (const Family &family : kFamilies) {
    if (family.productId == productId) return family.name;
  }
  return kOtherFamily;
}

bool FitsStringDescriptor(const std::string &utf8) {
  size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // a character starts
    if ((byte & 0xF8) == 0xF0) ++units;  // beyond the BMP: a surrogate pair
  }
  return units <= kStringDescriptorChars;
}

DeviceIdentity DefaultReceiverStrings() {
  DeviceIdentity identity;
  identity.manufacturer = "Tarvex (virtual device)";
  identity.product = "Tarvex virtual receiver (not a real receiver)";
  identity.serial = "VIRTUAL-0001";
  return identity;
}

uint16_t DefaultRelease(uint16_t productId) {
  return static_cast<uint16_t>(0x0100 + (productId - kFirstReceiverProductId));
}

DeviceIdentity ForeignIdentity(uint32_t index) {
  char serial[32];
  std::snprintf(serial, sizeof serial, "VIRTUAL-FOREIGN-%04u", static_cast<unsigned>(index));
  DeviceIdentity identity;
  identity.release = static_cast<uint16_t>(0x0200 + index);
  identity.manufacturer = "Other vendor (virtual device)";
  identity.product = "Virtual foreign HID device " + std::to_string(index);
  identity.serial = serial;
  return identity;
}

}  // namespace pendant
