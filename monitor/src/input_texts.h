// Texts the input monitor shows, built from one input message or one
// receiver-information report. All results are GBK bytes.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

// The axis selector's codes (X .. 7th axis) and the step selector's codes
// that have a label.
constexpr uint8_t kFirstAxisCode = 17;
constexpr uint8_t kLastAxisCode = 23;
constexpr uint8_t kStepCodes[] = {13, 14, 15, 16, 26, 27, 28};

// "1x" .. "LeadForDZ"; empty for a code outside the step table.
const char *StepLabel(uint8_t stepCode);
// The pendant family of a DeviceType: "MQD9RA带手轮 波段开关,LCD显示4行" ..
const char *PendantFamily(uint8_t deviceType);

// "Num1:%d keypressed", then " Num2:%d keypressed"; empty with no key.
std::string KeysText(uint8_t key1, uint8_t key2);
// "X 轴" .. "7 轴" for codes 17..23, else "OFF Band:%d".
std::string AxisText(uint8_t axisByte);
// Step label (none for a code outside the table) followed by the flags.
std::string StepText(uint8_t modeByte);
// "+%d" of the total: +0, +12, +-5.
std::string WheelTotalText(int32_t total);
// The standard-output line of a wheel message.
std::string WheelLogLine(int delta, int positionBefore);
// The information report's text (family, device ID, channel), by DeviceType.
std::string DeviceInfoText(uint8_t deviceType, unsigned deviceId, int channel);
std::string RssiText(unsigned rssi);

}  // namespace tarvex
