#include "reference_model.h"

#include <mqd7ra.h>

#include "device_type.h"
#include "input_report.h"

namespace modelcheck {

namespace {

constexpr uint32_t kScanLimit = 25;
constexpr uint8_t kMaxPayload = 61;
constexpr uint32_t kReportData = 7;
constexpr uint32_t kFrameHeader = 3;

uint32_t ReportsFor(uint32_t bytes) { return (bytes + kReportData - 1) / kReportData; }

}  // namespace

int32_t ReferenceModel::Xinit() {
  if (initialised_) XClose();
  initialised_ = true;
  window_ = 0;
  deviceType_ = 0;
  currentInput_ = 0;
  wheelDropped_ += wheel_;
  wheel_ = 0;
  return XR_OK;
}

// The receiver's interfaces come after the foreign ones, input first; only
// the first 25 are examined, and an uncancellable read keeps a handle taken
// away from under it.
void ReferenceModel::Scan() {
  if (inputOpen_ && readerRunning_ && machine_.cancelIgnored) retiredMayBeOpen_ = true;
  inputOpen_ = false;
  if (!machine_.plugged) return;
  uint32_t index = machine_.foreignCount;
  if (machine_.inputPresent && index < kScanLimit) {
    deviceType_ = mqd7ra::DeviceTypeFor(machine_.productId);
    inputOpen_ = true;
  }
  if (machine_.inputPresent) ++index;
  if (machine_.featurePresent && index < kScanLimit) {
    deviceType_ = mqd7ra::DeviceTypeFor(machine_.productId);
    featureOpen_ = true;
    featureEpoch_ = machine_.plugEpoch;
  }
}

int32_t ReferenceModel::XOpen(WindowHandle window) {
  if (featureOpen_) return XR_OK;
  if (window == 0) return XR_BAD_WINDOW;
  window_ = window;
  Scan();
  if (!inputOpen_) return XR_NO_DEVICE;
  if (featureOpen_) Write();  // the greeting; its result does not count
  if (!readerRunning_) {
    readerRunning_ = true;
    stopRequested_ = false;
  }
  return XR_OK;
}

int32_t ReferenceModel::XClose() {
  const int32_t result = inputOpen_ ? 1 : -1;
  readerRunning_ = false;
  stopRequested_ = true;
  inputOpen_ = false;
  featureOpen_ = false;
  retiredMayBeOpen_ = false;
  return result;
}

int32_t ReferenceModel::XGetInput(uint32_t *values, uint8_t *status) {
  if (!inputOpen_ || stopRequested_) {
    currentInput_ = 0;
    wheelDropped_ += wheel_;
    wheel_ = 0;
    return XR_NOT_OPEN;
  }
  values[0] = currentInput_;
  values[1] = static_cast<uint32_t>(wheel_);
  *status = 2;
  wheelPolled_ += wheel_;
  wheel_ = 0;
  return XR_OK;
}

bool ReferenceModel::FeatureLive() const {
  return featureOpen_ && machine_.plugged && featureEpoch_ == machine_.plugEpoch;
}

// The receiver's refusal counter counts only reports that reach it.
bool ReferenceModel::Write() {
  if (!FeatureLive()) return false;
  if (machine_.refuseWrites == 0) return true;
  if (machine_.refuseWrites > 0) --machine_.refuseWrites;
  return false;
}

int32_t ReferenceModel::ReopenOnDemand() {
  if (featureOpen_) return XR_OK;
  return XOpen(window_) == XR_OK && featureOpen_ ? XR_OK : XR_NO_DEVICE;
}

int32_t ReferenceModel::SendReports(uint32_t count) {
  for (uint32_t i = 0; i < ReportsFor(count); ++i) {
    if (!Write()) return XR_WRITE_FAILED;
  }
  return XR_OK;
}

SendResult ReferenceModel::XSendOutput(uint8_t length) {
  if (length > kMaxPayload) return {XR_WRITE_FAILED, length};
  if (ReopenOnDemand() != XR_OK) return {XR_NO_DEVICE, length};
  const uint8_t frame = static_cast<uint8_t>(length + kFrameHeader);
  return {SendReports(frame), frame};
}

// The 6-byte prelude never reaches the receiver: the class driver refuses it.
int32_t ReferenceModel::XWritDev(uint8_t count) {
  if (ReopenOnDemand() != XR_OK) return XR_NO_DEVICE;
  if (count == 0) return XR_OK;
  return SendReports(count);
}

int32_t ReferenceModel::GetDeviceData(uint8_t kind, uint8_t *buffer) {
  if (kind == 0 || !FeatureLive() || machine_.refuseReads) return 0;
  buffer[7] = deviceType_;
  return 1;
}

void ReferenceModel::Plug() { machine_.plugged = true; }

// The reader's read fails: it closes both handles. A feature handle open
// without a reader stays open, and fails from now on.
void ReferenceModel::Unplug() {
  if (!machine_.plugged) return;
  machine_.plugged = false;
  ++machine_.plugEpoch;
  machine_.reports.clear();
  if (readerRunning_ && inputOpen_) {
    inputOpen_ = false;
    featureOpen_ = false;
  }
  retiredMayBeOpen_ = false;
}

void ReferenceModel::QueueReport(const vreceiver::Report &report) {
  if (machine_.plugged) machine_.reports.push_back(report);
}

// A read held on a handle taken away takes one report, then the reader
// closes that handle and goes on with the open one, if any.
std::vector<Posted> ReferenceModel::Drain() {
  std::vector<Posted> posted;
  while (readerRunning_ && (inputOpen_ || retiredMayBeOpen_) && !machine_.reports.empty()) {
    const mqd7ra::DecodedInput input =
        mqd7ra::DecodeInputReport(machine_.reports.front().data(), deviceType_);
    machine_.reports.pop_front();
    retiredMayBeOpen_ = false;
    currentInput_ = input.word;
    // The sum wraps as the library's 32-bit accumulator does.
    wheel_ = static_cast<int32_t>(static_cast<uint32_t>(wheel_) +
                                  static_cast<uint32_t>(input.wheelDelta));
    wheelSent_ += input.wheelDelta;
    posted.push_back(Posted{window_, input.wParam, static_cast<intptr_t>(input.word)});
  }
  return posted;
}

}  // namespace modelcheck
