// The receiver's feature-report format, shared by the greeting and the
// senders: 8-byte reports with report ID 6, frames marked 0xFE 0xFD.
#pragma once

#include <cstdint>

#include "report_length.h"

namespace mqd7ra {

constexpr uint8_t kFeatureReportId = 6;
constexpr uint8_t kFrameMark1 = 0xFE;
constexpr uint8_t kFrameMark2 = 0xFD;

}  // namespace mqd7ra
