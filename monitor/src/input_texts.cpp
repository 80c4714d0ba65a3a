#include "input_texts.h"

#include <cstdarg>
#include <cstdio>

#include "mqd7ra.h"

namespace tarvex {
namespace {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Format(const char *format, ...) {
  char buffer[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

}  // namespace

const char *StepLabel(uint8_t stepCode) {
  switch (stepCode) {
    case 13:
      return "1x";
    case 14:
      return "10x";
    case 15:
      return "100x";
    case 16:
      return "1000x";
    case 26:
      return "2000x";
    case 27:
      return "5000x";
    case 28:
      return "LeadForDZ";
    default:
      return "";
  }
}

const char *PendantFamily(uint8_t deviceType) {
  switch (deviceType) {
    case 2:
      return "MQD7RA全部按键";
    case 3:
      return "VQD8RA 带手轮 波段开关,LCD显示3行";
    case 4:
      return "MQD9RA带手轮 波段开关,LCD显示4行";
    case 5:
      return "VQD6RA 带手轮 波段开关,LCD显示3行";
    case 6:
      return "MQD9RA-LNSK 带手轮 波段开关,LCD显示3行";
    case 8:
      return "vQD8RA带手轮 波段开关,LCD显示3行";
    default:
      return "vQDz带手轮 波段开关,LCD显示4行";
  }
}

std::string KeysText(uint8_t key1, uint8_t key2) {
  std::string text;
  if (key1 != 0) text = Format("Num1:%d keypressed", key1);
  if (key2 != 0) text += Format(" Num2:%d keypressed", key2);
  return text;
}

std::string AxisText(uint8_t axisByte) {
  static const char *const kAxes[] = {"X 轴", "Y 轴", "Z 轴", "A 轴", "B 轴", "C 轴", "7 轴"};
  if (axisByte >= kFirstAxisCode && axisByte <= kLastAxisCode)
    return kAxes[axisByte - kFirstAxisCode];
  return Format("OFF Band:%u", static_cast<unsigned>(axisByte));
}

std::string StepText(uint8_t modeByte) {
  std::string text = StepLabel(modeByte & MODE_STEP_MASK);
  if (modeByte & MODE_WHEEL_ENABLED) text += "WheelOn:";
  if (modeByte & MODE_ESTOP) text += "EstopOn:";
  return text;
}

std::string WheelTotalText(int32_t total) { return Format("+%d", static_cast<int>(total)); }

std::string WheelLogLine(int delta, int positionBefore) {
  return Format(" 接收到滚轮%d数据,总数据：%d \n", delta, positionBefore);
}

std::string DeviceInfoText(uint8_t deviceType, unsigned deviceId, int channel) {
  return Format("%s,设备ID:%d,channel:%d", PendantFamily(deviceType), static_cast<int>(deviceId),
                channel);
}

std::string RssiText(unsigned rssi) { return Format("Rssi:%d", static_cast<int>(rssi)); }

}  // namespace tarvex
