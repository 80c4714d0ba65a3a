// Everything sent on the feature interface after the greeting: display
// frames (XSendOutput), raw commands (XWritDev), and the one report read back
// (GetDeviceData).
#include <mqd7ra.h>

#include <cstring>

#include "feature_report.h"
#include "library.h"

namespace mqd7ra {

namespace {

constexpr uint8_t kReportDataBytes = 7;
constexpr uint8_t kFrameHeaderLength = 3;
constexpr uint8_t kMaxPayload = Library::kFrameBufferSize - kFrameHeaderLength;
constexpr uint8_t kCommandPrelude[6] = {kFeatureReportId, 0, 0, 0, 0, 0};

}  // namespace

int32_t Library::ReopenOnDemand() {
  if (featureHandle != kInvalidHandle) return XR_OK;
  if (Connect(targetWindow) == XR_OK && featureHandle != kInvalidHandle) return XR_OK;
  return XR_NO_DEVICE;
}

uint8_t Library::BuildDisplayFrame(const uint8_t *payload, uint8_t length) {
  std::memset(frameBuffer, 0, sizeof frameBuffer);
  frameBuffer[0] = kFrameMark1;
  frameBuffer[1] = kFrameMark2;
  frameBuffer[2] = platform.UtcDayOfMonth();
  std::memcpy(frameBuffer + kFrameHeaderLength, payload, length);
  return static_cast<uint8_t>(length + kFrameHeaderLength);
}

// Sends count (1..255) bytes 7 per report; stops at the first refused report.
int32_t Library::SendInReports(const uint8_t *bytes, uint8_t count) {
  uint8_t offset = 0;
  uint8_t remainder = count;
  uint8_t report[kReportLength] = {};
  while (remainder > kReportDataBytes) {
    report[0] = kFeatureReportId;
    std::memcpy(report + 1, bytes + offset, kReportDataBytes);
    if (!SendFeature(report, kReportLength)) return XR_WRITE_FAILED;
    std::memset(report, 0, sizeof report);
    offset = static_cast<uint8_t>(offset + kReportDataBytes);
    remainder = static_cast<uint8_t>(remainder - kReportDataBytes);
  }
  report[0] = kFeatureReportId;
  std::memcpy(report + 1, bytes + offset, remainder);
  return SendFeature(report, kReportLength) ? XR_OK : XR_WRITE_FAILED;
}

// Under the handle lock, so that the reader cannot close the handle meanwhile.
bool Library::SendFeature(const uint8_t *report, uint32_t length) {
  std::lock_guard<NoThrowMutex> lock(handleLock);
  if (featureHandle == kInvalidHandle) return false;
  return platform.SetFeature(featureHandle, report, length);
}

// A payload that does not fit the frame buffer is refused before anything
// is opened or sent.
int32_t Library::XSendOutput(const uint8_t *payload, uint8_t *length) {
  if (payload == nullptr || length == nullptr || *length > kMaxPayload) return XR_WRITE_FAILED;
  std::lock_guard<NoThrowMutex> lock(callLock);
  if (ReopenOnDemand() != XR_OK) return XR_NO_DEVICE;
  const uint8_t frameLength = BuildDisplayFrame(payload, *length);
  *length = frameLength;
  return SendInReports(frameBuffer, frameLength);
}

int32_t Library::XWritDev(const uint8_t *bytes, const uint8_t *count) {
  if (bytes == nullptr || count == nullptr) return XR_WRITE_FAILED;
  std::lock_guard<NoThrowMutex> lock(callLock);
  if (ReopenOnDemand() != XR_OK) return XR_NO_DEVICE;
  SendFeature(kCommandPrelude, sizeof kCommandPrelude);  // its result does not count
  const uint8_t byteCount = *count;
  if (byteCount == 0) return XR_OK;
  return SendInReports(bytes, byteCount);
}

int32_t Library::GetDeviceData(uint8_t *buffer, uint8_t kind) {
  if (buffer == nullptr || kind == 0) return 0;
  std::lock_guard<NoThrowMutex> call(callLock);
  {
    std::lock_guard<NoThrowMutex> lock(handleLock);
    if (featureHandle == kInvalidHandle) return 0;
    buffer[0] = kFeatureReportId;
    if (!platform.GetFeature(featureHandle, buffer, kReportLength)) return 0;
  }
  buffer[7] = deviceType;
  return 1;
}

}  // namespace mqd7ra
