// The receiver's input interface as the recorder reads it: found as any
// program finds it, opened shared (Tarvex or a CNC program keeps reading
// beside it; Windows gives every handle its own copy of each report), with
// a ring of 512 reports instead of 32, and read overlapped so that Ctrl+C
// or the end of the recording's time ends a read that waits.
#pragma once

#include <windows.h>

#include <string>

#include "hid_interfaces.h"
#include "pendant/pendant_report.h"

namespace recorder {

class ReceiverInput {
 public:
  enum class Result { kReport, kGone, kStopped, kTimedOut };

  ReceiverInput();
  ~ReceiverInput();
  ReceiverInput(const ReceiverInput &) = delete;
  ReceiverInput &operator=(const ReceiverInput &) = delete;

  // Opens the receiver's input interface; false when none is there.
  bool Open();
  bool IsOpen() const { return device_ != INVALID_HANDLE_VALUE; }
  const hidlist::HidInterface &Interface() const { return found_; }
  // Whether Windows keeps 512 reports for the recorder (else its default).
  bool RingRaised() const { return ringRaised_; }
  // Waits for the next report, the stop event or the time-out. A read
  // still waiting stays pending for the next call. kGone: the read failed
  // (the receiver was pulled out); LastError() says how.
  Result Next(pendant::Report *report, HANDLE stop, DWORD timeoutMs);
  DWORD LastError() const { return error_; }
  // Cancels a waiting read, waits until it has ended, and closes.
  void Close();

 private:
  bool StartRead();
  Result Finish(pendant::Report *report);

  HANDLE device_ = INVALID_HANDLE_VALUE;
  HANDLE done_ = nullptr;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  bool ringRaised_ = false;
  DWORD error_ = 0;
  uint8_t buffer_[64] = {};
  hidlist::HidInterface found_;
};

// The receiver's information report as the line that sets it; false with
// the reason in *note when it cannot be read.
bool ReadInformation(std::string *line, std::string *note);

}  // namespace recorder
