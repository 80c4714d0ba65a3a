#include "vreceiver/receiver_identity.h"

namespace vreceiver {

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

}  // namespace vreceiver
