#include "receiver_input.h"

extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <cstring>

#include "line_file.h"
#include "pendant/pendant_commands.h"

namespace recorder {

namespace {

// As many reports as Windows keeps for one handle: none is lost while the
// recorder writes its file.
constexpr ULONG kInputBuffers = 512;

}  // namespace

ReceiverInput::ReceiverInput() { done_ = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

ReceiverInput::~ReceiverInput() {
  Close();
  CloseHandle(done_);
}

bool ReceiverInput::Open() {
  device_ = hidlist::OpenReceiverInterface(false, GENERIC_READ, &found_, FILE_FLAG_OVERLAPPED);
  if (device_ == INVALID_HANDLE_VALUE) return false;
  ringRaised_ = HidD_SetNumInputBuffers(device_, kInputBuffers) != FALSE;
  // Waiting from the start, the read ends when the first report comes, so
  // that report's time is its own. A read that cannot start fails Next().
  StartRead();
  return true;
}

bool ReceiverInput::StartRead() {
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = done_;
  ResetEvent(done_);
  const DWORD length = std::min<DWORD>(found_.inputLength, sizeof buffer_);
  if (!ReadFile(device_, buffer_, length, nullptr, &overlapped_) &&
      GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  pending_ = true;
  return true;
}

ReceiverInput::Result ReceiverInput::Finish(pendant::Report *report) {
  DWORD got = 0;
  pending_ = false;
  if (!GetOverlappedResult(device_, &overlapped_, &got, FALSE)) {
    error_ = GetLastError();
    return Result::kGone;
  }
  report->fill(0);
  std::memcpy(report->data(), buffer_, std::min<size_t>(got, report->size()));
  return Result::kReport;
}

ReceiverInput::Result ReceiverInput::Next(pendant::Report *report, HANDLE stop, DWORD timeoutMs) {
  if (!pending_ && !StartRead()) {
    error_ = GetLastError();
    return Result::kGone;
  }
  // A report that came with the stop is still taken: the event is first.
  const HANDLE waits[] = {done_, stop};
  switch (WaitForMultipleObjects(2, waits, FALSE, timeoutMs)) {
    case WAIT_OBJECT_0:
      return Finish(report);
    case WAIT_OBJECT_0 + 1:
      return Result::kStopped;
    default:
      return Result::kTimedOut;
  }
}

void ReceiverInput::Close() {
  if (device_ == INVALID_HANDLE_VALUE) return;
  if (pending_) {
    // The buffer and the OVERLAPPED belong to the read until it has ended.
    CancelIoEx(device_, &overlapped_);
    DWORD got = 0;
    GetOverlappedResult(device_, &overlapped_, &got, TRUE);
    pending_ = false;
  }
  CloseHandle(device_);
  device_ = INVALID_HANDLE_VALUE;
}

bool ReadInformation(std::string *line, std::string *note) {
  hidlist::HidInterface found;
  HANDLE device = hidlist::OpenReceiverInterface(true, GENERIC_READ, &found);
  if (device == INVALID_HANDLE_VALUE) {
    *note = "no information report: the receiver's feature interface was not found";
    return false;
  }
  uint8_t report[64] = {pendant::kFeatureReportId};
  const ULONG length = std::min<ULONG>(found.featureLength, sizeof report);
  const bool read = HidD_GetFeature(device, report, length) != FALSE;
  const DWORD error = GetLastError();
  CloseHandle(device);
  if (read) *line = pendant::InfoLine(report, length);
  if (read && !line->empty()) return true;
  *note = "no information report: " + (read ? std::string("not one") : SystemMessage(error));
  return false;
}

}  // namespace recorder
