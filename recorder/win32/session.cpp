#include "session.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "line_file.h"
#include "receiver_input.h"
#include "recording.h"
#include "tarvex_version.h"

namespace recorder {

namespace {

// How often the recorder looks for a receiver that is not there.
constexpr DWORD kPollMs = 200;
// Unplugs in a row with no report between them: a receiver that fails every
// read though it is still there, not a person replugging it.
constexpr int kMaxEmptyReplugs = 10;

void Say(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

int64_t NowUs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

std::string LocalTime(const char *format) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[64];
  std::snprintf(text, sizeof text, format, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond);
  return text;
}

// What Windows says when the receiver is pulled out under a read (Wine:
// access denied), or when its driver ends the reads as it goes.
bool MeansUnplugged(DWORD error) {
  return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_ACCESS_DENIED ||
         error == ERROR_OPERATION_ABORTED;
}

class Session {
 public:
  Session(const Options &options, HANDLE stop)
      : options_(options), stop_(stop), recording_([this](const std::vector<std::string> &lines) {
          return file_.Write(lines, &writeError_);
        }) {}

  int Run();

 private:
  bool Start();
  int Record();
  bool AwaitReceiver();
  DWORD WaitMs() const;
  bool Replug();
  int Finish(const std::string &why);
  int WriteFailed();
  std::string SecondsReached() const {
    return "stopped after " + std::to_string(options_.seconds) + " s";
  }

  const Options &options_;
  HANDLE stop_;
  LineFile file_;
  ReceiverInput input_;
  Recording recording_;
  std::string path_;
  std::string writeError_;
  int64_t deadlineUs_ = 0;  // 0: none
};

// Until the stop, the deadline (false) or the receiver (true).
bool Session::AwaitReceiver() {
  while (!input_.Open()) {
    const DWORD wait = WaitMs();
    if (wait == 0 || WaitForSingleObject(stop_, std::min(wait, kPollMs)) == WAIT_OBJECT_0) {
      return false;
    }
  }
  return true;
}

// Milliseconds left until the deadline (INFINITE without one).
DWORD Session::WaitMs() const {
  if (deadlineUs_ == 0) return INFINITE;
  const int64_t left = deadlineUs_ - NowUs();
  return left <= 0 ? 0 : static_cast<DWORD>((left + 999) / 1000);
}

bool Session::Start() {
  Header header;
  header.program = "pendant-record " TARVEX_VERSION_DOTTED;
  header.recordedAt = LocalTime("%04u-%02u-%02u %02u:%02u:%02u");
  header.productId = input_.Interface().productId;
  if (options_.info && !ReadInformation(&header.infoLine, &header.infoNote)) {
    Say("%s", header.infoNote.c_str());
  }
  const int64_t now = NowUs();
  if (options_.seconds) deadlineUs_ = now + int64_t{options_.seconds} * 1000000;
  if (!recording_.Begin(header, now)) return false;
  Say("recording to %s (vendor 0x%04X, product 0x%04X); Ctrl+C stops", path_.c_str(),
      input_.Interface().vendorId, header.productId);
  if (!header.infoLine.empty()) Say("%s", header.infoLine.c_str());
  if (!input_.RingRaised()) {
    Say("note: Windows keeps only its default number of reports for the recorder; a busy "
        "machine may lose some");
  }
  return true;
}

int Session::Run() {
  path_ = options_.file.empty() ? LocalTime("pendant-%04u%02u%02u-%02u%02u%02u.vr") : options_.file;
  std::string error;
  if (!file_.Create(path_, &error)) {
    Say("pendant-record: cannot write %s: %s", path_.c_str(), error.c_str());
    return kExitFileFailed;
  }
  if (!input_.Open()) {
    if (!options_.wait) {
      Say("pendant-record: no receiver found (vendor 0x10CE, product 0xEB90 and up). Plug it "
          "in, or wait for it with --wait.");
      file_.Discard();
      return kExitNoReceiver;
    }
    Say("waiting for the receiver (vendor 0x10CE, product 0xEB90 and up); Ctrl+C gives up");
    if (!AwaitReceiver()) {
      Say("pendant-record: stopped before the receiver came; nothing recorded");
      file_.Discard();
      return kExitNoReceiver;
    }
  }
  if (!Start()) return WriteFailed();
  return Record();
}

// The receiver was pulled out: noted, and waited for until it is back.
bool Session::Replug() {
  input_.Close();
  const int64_t gone = NowUs();
  if (!recording_.AddUnplug(gone)) return false;
  Say("receiver unplugged at %.3f s; waiting for it to come back", recording_.SecondsAt(gone));
  if (!AwaitReceiver()) return true;  // stopped, or out of time: Record() ends
  const int64_t back = NowUs();
  const uint16_t product = input_.Interface().productId;
  Say("receiver back at %.3f s (product 0x%04X)", recording_.SecondsAt(back), product);
  return recording_.AddPlug(back, product);
}

int Session::Record() {
  int emptyReplugs = 0;
  for (;;) {
    if (!input_.IsOpen()) {
      return Finish(WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0 ? "stopped by Ctrl+C"
                                                                   : SecondsReached());
    }
    pendant::Report report;
    switch (input_.Next(&report, stop_, WaitMs())) {
      case ReceiverInput::Result::kReport: {
        const int64_t now = NowUs();
        std::string command;
        if (!recording_.AddReport(now, report, &command)) return WriteFailed();
        emptyReplugs = 0;
        Say("%s",
            ReportNote(recording_.Reports(), recording_.SecondsAt(now), report, command).c_str());
        if (options_.reports && recording_.Reports() >= options_.reports) {
          return Finish("stopped after " + std::to_string(options_.reports) + " reports");
        }
        break;
      }
      case ReceiverInput::Result::kGone:
        if (!MeansUnplugged(input_.LastError()) || ++emptyReplugs > kMaxEmptyReplugs) {
          Say("pendant-record: reading the receiver failed: %s",
              SystemMessage(input_.LastError()).c_str());
          Finish("the receiver could not be read");
          return kExitReceiverFailed;
        }
        if (!Replug()) return WriteFailed();
        break;
      case ReceiverInput::Result::kStopped:
        return Finish("stopped by Ctrl+C");
      case ReceiverInput::Result::kTimedOut:
        return Finish(SecondsReached());
    }
  }
}

int Session::Finish(const std::string &why) {
  input_.Close();
  const int64_t now = NowUs();
  std::string error;
  if (!recording_.End(now, why) || !file_.Close(&error)) {
    if (error.empty()) error = writeError_;
    Say("pendant-record: cannot write %s: %s", path_.c_str(), error.c_str());
    return kExitFileFailed;
  }
  Say("%s: %llu reports in %.3f s written to %s", why.c_str(),
      static_cast<unsigned long long>(recording_.Reports()), recording_.SecondsAt(now),
      path_.c_str());
  return kExitDone;
}

int Session::WriteFailed() {
  input_.Close();
  Say("pendant-record: cannot write %s: %s", path_.c_str(), writeError_.c_str());
  return kExitFileFailed;
}

}  // namespace

int RecordSession(const Options &options, HANDLE stop) { return Session(options, stop).Run(); }

}  // namespace recorder
