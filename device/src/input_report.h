// Decoding of the receiver's 8-byte input report.
#pragma once

#include <cstdint>

#include "device_type.h"
#include "report_length.h"

namespace mqd7ra {

constexpr uint8_t kInputReportPrimer = 4;

struct DecodedInput {
  uint32_t word = 0;       // InputWord: report bytes 2..5
  uintptr_t wParam = 0;    // wheel byte as 0..255
  int32_t wheelDelta = 0;  // wheel byte as -128..127
};

inline DecodedInput DecodeInputReport(const uint8_t *report, uint8_t deviceType) {
  DecodedInput input;
  input.word = uint32_t{report[2]} | uint32_t{report[3]} << 8;
  if (deviceType == kKeysOnlyDeviceType) return input;
  input.word |= uint32_t{report[4]} << 16 | uint32_t{report[5]} << 24;
  input.wParam = report[6];
  input.wheelDelta = static_cast<int8_t>(report[6]);
  return input;
}

}  // namespace mqd7ra
