// The one report length of the receiver's two interfaces.
#pragma once

#include <cstdint>

namespace mqd7ra {

// Input and feature reports alike: the report ID and seven data bytes.
constexpr uint32_t kReportLength = 8;

}  // namespace mqd7ra
