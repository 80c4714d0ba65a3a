#include "reference_library.h"

#include <mqd7ra.h>

#include <algorithm>

#include "device_type.h"
#include "input_report.h"

namespace librarycheck {

namespace {

constexpr uint8_t kMaxPayload = 61;
constexpr uint32_t kReportData = 7;
constexpr uint32_t kFrameHeader = 3;

uint32_t ReportsFor(uint32_t bytes) { return (bytes + kReportData - 1) / kReportData; }

}  // namespace

int32_t ReferenceLibrary::Xinit() {
  if (initialised_) XClose();
  initialised_ = true;
  window_ = 0;
  deviceType_ = 0;
  currentInput_ = 0;
  wheelDropped_ += wheel_;
  wheel_ = 0;
  return XR_OK;
}

// A handle of the input interface that the pass finds is kept, or taken
// back from retirement; only otherwise is a new one opened. The whole list
// is examined, however many foreign interfaces come first.
void ReferenceLibrary::Scan() {
  const bool inputFound = InputListed();
  const bool featureFound = machine_.plugged && machine_.featurePresent;
  if (inputFound || featureFound) deviceType_ = mqd7ra::DeviceTypeFor(machine_.productId);
  if (!inputFound) {
    ReleaseInput();
  } else if (!inputOpen_) {
    inputOpen_ = true;
    inputIsNew_ = !retired_;
    retired_ = false;
  }
  if (featureFound) {
    featureOpen_ = true;
    featureInstance_ = machine_.featureInstance;
  }
}

// The reader is in its read on the input handle: the cancel ends it at once,
// or leaves it pending on the retired handle (held, or ignored).
void ReferenceLibrary::ReleaseInput() {
  if (!inputOpen_) return;
  inputOpen_ = false;
  retired_ = machine_.cancelMode != CancelMode::kPrompt;
  readHeld_ = readHeld_ || machine_.cancelMode == CancelMode::kHeld;
  if (!retired_) readHeld_ = false;
}

int32_t ReferenceLibrary::XOpen(WindowHandle window) {
  if (featureOpen_) return XR_OK;
  if (window == 0) return XR_BAD_WINDOW;
  window_ = window;
  ReclaimLeft();
  inputIsNew_ = false;
  Scan();  // looking again for the feature interface finds the same machine
  if (!inputOpen_) return XR_NO_DEVICE;
  if (featureOpen_) Write();  // the greeting; its result does not count
  if (!readerRunning_) {
    readerRunning_ = true;
    stopRequested_ = false;
  }
  return XR_OK;
}

// The reader leaves at its cancel, or is ended by force in its read and
// leaves that read (with its handle) behind.
void ReferenceLibrary::StopReader() {
  const bool inRead = inputOpen_ || retired_;
  readerRunning_ = false;
  if (inRead && machine_.cancelMode != CancelMode::kPrompt) {
    left_.push_back(LeftRead{readHeld_ || machine_.cancelMode == CancelMode::kHeld, false});
  }
  inputOpen_ = false;
  retired_ = false;
  readHeld_ = false;
}

int32_t ReferenceLibrary::XClose() {
  const int32_t result = inputOpen_ ? 1 : -1;
  if (readerRunning_) StopReader();
  stopRequested_ = true;
  inputOpen_ = false;
  featureOpen_ = false;
  ReclaimLeft();
  return result;
}

void ReferenceLibrary::ReclaimLeft() {
  left_.erase(std::remove_if(left_.begin(), left_.end(), [](const LeftRead &r) { return r.over; }),
              left_.end());
}

int32_t ReferenceLibrary::XGetInput(uint32_t *values, uint8_t *status) {
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

bool ReferenceLibrary::FeatureLive() const {
  return featureOpen_ && featureInstance_ != 0 && featureInstance_ == machine_.featureInstance;
}

// The receiver's refusal counter counts only reports that reach it.
bool ReferenceLibrary::Write() {
  if (!FeatureLive()) return false;
  if (machine_.refuseWrites == 0) return true;
  if (machine_.refuseWrites > 0) --machine_.refuseWrites;
  return false;
}

int32_t ReferenceLibrary::ReopenOnDemand() {
  if (featureOpen_) return XR_OK;
  return XOpen(window_) == XR_OK && featureOpen_ ? XR_OK : XR_NO_DEVICE;
}

int32_t ReferenceLibrary::SendReports(uint32_t count) {
  for (uint32_t i = 0; i < ReportsFor(count); ++i) {
    if (!Write()) return XR_WRITE_FAILED;
  }
  return XR_OK;
}

SendResult ReferenceLibrary::XSendOutput(uint8_t length) {
  if (length > kMaxPayload) return {XR_WRITE_FAILED, length};
  if (ReopenOnDemand() != XR_OK) return {XR_NO_DEVICE, length};
  const uint8_t frame = static_cast<uint8_t>(length + kFrameHeader);
  return {SendReports(frame), frame};
}

// The 6-byte prelude never reaches the receiver: the class driver refuses it.
int32_t ReferenceLibrary::XWritDev(uint8_t count) {
  if (ReopenOnDemand() != XR_OK) return XR_NO_DEVICE;
  if (count == 0) return XR_OK;
  return SendReports(count);
}

int32_t ReferenceLibrary::GetDeviceData(uint8_t kind, uint8_t *buffer) {
  if (kind == 0 || !FeatureLive() || machine_.refuseReads) return 0;
  buffer[7] = deviceType_;
  return 1;
}

void ReferenceLibrary::SetRefusals(int32_t writes, bool reads) {
  machine_.refuseWrites = writes;
  machine_.refuseReads = reads;
}

// Interfaces listed anew are new device instances.
void ReferenceLibrary::NewInstances(bool wasInput, bool wasFeature) {
  const bool input = InputListed();
  const bool feature = machine_.plugged && machine_.featurePresent;
  if (wasInput && !input) InputGone();
  if (!input) machine_.inputInstance = 0;
  if (!feature) machine_.featureInstance = 0;
  if (input && !wasInput) machine_.inputInstance = ++machine_.lastInstance;
  if (feature && !wasFeature) machine_.featureInstance = ++machine_.lastInstance;
}

// Every read on the input interface fails: the reader's on the handle in
// place is a loss (both handles closed), one on a retired handle only ends
// there, and those left by ended readers are over.
void ReferenceLibrary::InputGone() {
  if (inputOpen_ && readerRunning_) {
    inputOpen_ = false;
    featureOpen_ = false;
  }
  retired_ = false;
  readHeld_ = false;
  for (LeftRead &read : left_) read.over = true;
}

void ReferenceLibrary::Plug() {
  const bool wasInput = InputListed();
  const bool wasFeature = machine_.plugged && machine_.featurePresent;
  machine_.plugged = true;
  NewInstances(wasInput, wasFeature);
}

void ReferenceLibrary::Unplug() {
  const bool wasInput = InputListed();
  const bool wasFeature = machine_.plugged && machine_.featurePresent;
  machine_.plugged = false;
  NewInstances(wasInput, wasFeature);
}

// Another product ID is another device: its interfaces are new instances.
void ReferenceLibrary::SetProductId(uint16_t productId) {
  const bool another = machine_.plugged && productId != machine_.productId;
  machine_.productId = productId;
  if (!another) return;
  Unplug();
  Plug();
}

void ReferenceLibrary::SetInterfacesPresent(bool input, bool feature) {
  const bool wasInput = InputListed();
  const bool wasFeature = machine_.plugged && machine_.featurePresent;
  machine_.inputPresent = input;
  machine_.featurePresent = feature;
  NewInstances(wasInput, wasFeature);
}

void ReferenceLibrary::SetCancelMode(CancelMode mode) {
  machine_.cancelMode = mode;
  if (mode == CancelMode::kPrompt) ReleaseHeldCancels();
}

// The reader's read ends as cancelled: on a retired handle the reader closes
// it; on one taken back it reads again, for the library asked for that
// cancel. A left read ends with its thread.
void ReferenceLibrary::ReleaseHeldCancels() {
  if (readHeld_ && retired_) retired_ = false;
  readHeld_ = false;
  for (LeftRead &read : left_) read.over = read.over || read.cancelHeld;
}

Posted ReferenceLibrary::Take(const pendant::Report &report) {
  const mqd7ra::DecodedInput input = mqd7ra::DecodeInputReport(report.data(), deviceType_);
  currentInput_ = input.word;
  // The sum wraps as the library's 32-bit accumulator does.
  wheel_ =
      static_cast<int32_t>(static_cast<uint32_t>(wheel_) + static_cast<uint32_t>(input.wheelDelta));
  wheelSent_ += input.wheelDelta;
  return Posted{window_, input.wParam, static_cast<intptr_t>(input.word)};
}

// The report reaches every handle open on the input interface now: the
// reader's read takes it (on a retired handle, which it then closes), and
// the read of every ended reader takes its own copy and is over.
std::vector<Posted> ReferenceLibrary::Send(const pendant::Report &report) {
  std::vector<Posted> posted;
  if (!InputListed()) return posted;
  if (retired_ || (inputOpen_ && readerRunning_)) {
    posted.push_back(Take(report));
    retired_ = false;
    readHeld_ = false;
  }
  for (LeftRead &read : left_) read.over = true;
  return posted;
}

uint32_t ReferenceLibrary::OpenHandles() const {
  return (inputOpen_ ? 1 : 0) + (featureOpen_ ? 1 : 0) + (retired_ ? 1 : 0) + LeftReads();
}

uint32_t ReferenceLibrary::PendingReads() const {
  return (readerRunning_ && (inputOpen_ || retired_) ? 1 : 0) + LeftPending();
}

uint32_t ReferenceLibrary::ThreadsAlive() const { return (readerRunning_ ? 1 : 0) + LeftPending(); }

uint32_t ReferenceLibrary::LeftPending() const {
  return static_cast<uint32_t>(
      std::count_if(left_.begin(), left_.end(), [](const LeftRead &r) { return !r.over; }));
}

}  // namespace librarycheck
