#include "library_check.h"

#include <mqd7ra.h>

#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <vector>

#include "library.h"
#include "posted_message.h"
#include "reference_library.h"
#include "virtual_platform.h"
#include "vreceiver/pendant.h"

namespace librarycheck {

namespace {

constexpr WindowHandle kWindowA = 0x1234;
constexpr WindowHandle kWindowB = 0x5678;
constexpr uint32_t kSettleMs = 5000;
// Lost passes and stop waits run 20 times faster; the rules stay the same.
constexpr uint32_t kTimeFactor = 20;
constexpr size_t kHistory = 400;
constexpr uint64_t kClearLogEvery = 256;

using devicetest::Message;
using testsupport::CancelMode;

// Messages as the window would find them in its queue.
class MessageQueue {
 public:
  void Post(const Message &m) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(m);
    if (m.message == WM_DEVICE_INPUT) ++inputs_;
  }
  uint64_t Inputs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inputs_;
  }
  std::deque<Message> Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::deque<Message> taken;
    taken.swap(queue_);
    return taken;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<Message> queue_;
  uint64_t inputs_ = 0;
};

std::string Hex(const uint8_t *bytes, size_t n) {
  std::ostringstream out;
  out << std::hex;
  for (size_t i = 0; i < n; ++i) out << (i ? " " : "") << int{bytes[i]};
  return out.str();
}

}  // namespace

struct LibraryCheck::State {
  explicit State(const CheckOptions &o) : options(o), random(o.seed) {
    platform.threads().SpeedUp(kTimeFactor);
    platform.SetMessageSink([this](mqd7ra::WindowHandle w, uint32_t m, uintptr_t wp, intptr_t lp) {
      messages.Post(Message{w, m, wp, lp});
    });
  }

  CheckOptions options;
  std::mt19937_64 random;
  vreceiver::Receiver receiver;
  vreceiver::Pendant pendant{receiver};
  testsupport::VirtualPlatform platform{receiver};
  MessageQueue messages;
  mqd7ra::Library library{platform};
  ReferenceLibrary reference;
  std::deque<Posted> expectedInputs;  // not yet seen in the queue
  std::set<WindowHandle> targets;     // every window the library was given
  uint64_t expectedInputCount = 0;
  std::deque<std::string> history;
  std::string failure;
  CheckFigures figures;

  uint32_t Pick(uint32_t below) {
    return static_cast<uint32_t>(std::uniform_int_distribution<uint32_t>(0, below - 1)(random));
  }
  void Note(const std::string &what) {
    history.push_back(what);
    if (history.size() > kHistory) history.pop_front();
  }
  void NoteForcedEnd(uint32_t terminatedBefore) {
    if (platform.threads().Terminated() == terminatedBefore) return;
    ++figures.forcedEnds;
    Note("  (the reader was ended by force)");
  }
  void Fail(const std::string &what) {
    if (failure.empty()) failure = what;
  }
  template <typename T>
  void Expect(const char *what, T expected, T actual) {
    if (expected == actual) return;
    std::ostringstream out;
    out << what << ": expected " << expected << ", got " << actual;
    Fail(out.str());
  }

  void Step();
  void CallExport(uint32_t which);
  void MachineEvent(uint32_t which);
  void CancelEvent();
  void CheckSend();
  void CheckWritDev();
  void CheckDeviceData();
  void CheckGetInput();
  bool Settled() const;
  void CheckMessages(WindowHandle before);
  void CheckCounters();
  void Finish();
};

void LibraryCheck::State::Step() {
  const WindowHandle before = reference.window();
  const uint32_t roll = Pick(100);
  if (roll < 55) {
    CallExport(roll % 7);
    ++figures.exportCalls;
  } else {
    MachineEvent(roll - 55);
  }
  if (!platform.WaitUntil([this] { return Settled(); }, kSettleMs)) {
    std::ostringstream out;
    out << "the library did not settle: inputs " << messages.Inputs() << "/" << expectedInputCount
        << ", unsent " << receiver.PendingReports() << ", open handles "
        << platform.Counters().openHandles << "/" << reference.OpenHandles() << ", input "
        << library.InputHandle() << " (open " << reference.inputOpen() << "), feature "
        << library.FeatureHandle() << " (open " << reference.featureOpen() << "), running threads "
        << platform.threads().Running() << ", pending reads " << platform.hid().PendingReads()
        << "/" << reference.PendingReads();
    Fail(out.str());
  }
  CheckMessages(before);
  CheckCounters();
  if (++figures.steps % kClearLogEvery == 0) receiver.ClearLog();
}

// What the library must look like once its reader has caught up: every report
// has left the device, and every read that should be pending is (the
// reader's back in its read, so that the next step meets it there and not on
// its way, which would make the step's outcome a matter of timing).
bool LibraryCheck::State::Settled() const {
  return messages.Inputs() == expectedInputCount && receiver.PendingReports() == 0 &&
         platform.Counters().openHandles == reference.OpenHandles() &&
         (library.InputHandle() != mqd7ra::kInvalidHandle) == reference.inputOpen() &&
         (library.FeatureHandle() != mqd7ra::kInvalidHandle) == reference.featureOpen() &&
         platform.threads().Running() == (reference.readerRunning() ? 1u : 0u) &&
         platform.threads().Alive() == reference.ThreadsAlive() &&
         platform.hid().PendingReads() == reference.PendingReads();
}

void LibraryCheck::State::CallExport(uint32_t which) {
  switch (which) {
    case 0: {
      Note("Xinit");
      const uint32_t terminated = platform.threads().Terminated();
      Expect("Xinit", reference.Xinit(), library.Xinit());
      NoteForcedEnd(terminated);
      break;
    }
    case 1: {
      const uint32_t r = Pick(10);
      const WindowHandle w = r < 6 ? kWindowA : r < 9 ? kWindowB : 0;
      Note("XOpen " + std::to_string(w));
      Expect("XOpen", reference.XOpen(w), library.XOpen(w));
      break;
    }
    case 2: {
      Note("XClose");
      const uint32_t terminated = platform.threads().Terminated();
      Expect("XClose", reference.XClose(), library.XClose());
      NoteForcedEnd(terminated);
      break;
    }
    case 3:
      CheckGetInput();
      break;
    case 4:
      CheckSend();
      break;
    case 5:
      CheckWritDev();
      break;
    default:
      CheckDeviceData();
      break;
  }
}

void LibraryCheck::State::CheckGetInput() {
  Note("XGetInput");
  uint32_t expected[2] = {0xAAAAAAAA, 0xBBBBBBBB};
  uint32_t actual[2] = {0xAAAAAAAA, 0xBBBBBBBB};
  uint8_t expectedStatus = 4;
  uint8_t actualStatus = 4;
  Expect("XGetInput", reference.XGetInput(expected, &expectedStatus),
         library.XGetInput(actual, &actualStatus));
  Expect("XGetInput input word", expected[0], actual[0]);
  Expect("XGetInput wheel sum", static_cast<int32_t>(expected[1]), static_cast<int32_t>(actual[1]));
  Expect("XGetInput status byte", int{expectedStatus}, int{actualStatus});
}

void LibraryCheck::State::CheckSend() {
  const uint8_t length = static_cast<uint8_t>(Pick(10) == 0 ? 62 + Pick(10) : Pick(62));
  std::vector<uint8_t> payload(72);
  for (uint8_t &b : payload) b = static_cast<uint8_t>(Pick(256));
  Note("XSendOutput " + std::to_string(length));
  uint8_t actualLength = length;
  const SendResult expected = reference.XSendOutput(length);
  Expect("XSendOutput", expected.result, library.XSendOutput(payload.data(), &actualLength));
  Expect("XSendOutput length byte", int{expected.length}, int{actualLength});
}

void LibraryCheck::State::CheckWritDev() {
  const uint8_t count = static_cast<uint8_t>(Pick(4) == 0 ? Pick(256) : Pick(8));
  std::vector<uint8_t> bytes(256);
  for (uint8_t &b : bytes) b = static_cast<uint8_t>(Pick(256));
  Note("XWritDev " + std::to_string(count));
  const uint8_t actualCount = count;
  Expect("XWritDev", reference.XWritDev(count), library.XWritDev(bytes.data(), &actualCount));
}

void LibraryCheck::State::CheckDeviceData() {
  const uint8_t kind = static_cast<uint8_t>(Pick(5) == 0 ? 0 : 2);
  Note("GetDeviceData " + std::to_string(kind));
  uint8_t expected[8] = {};
  uint8_t actual[8] = {};
  const int32_t result = reference.GetDeviceData(kind, expected);
  Expect("GetDeviceData", result, library.GetDeviceData(actual, kind));
  if (result == 1) {
    Expect("GetDeviceData report ID", 6, int{actual[0]});
    Expect("GetDeviceData DeviceType", int{expected[7]}, int{actual[7]});
  }
}

void LibraryCheck::State::MachineEvent(uint32_t which) {
  const Machine &m = reference.machine();
  if (which < 18) {  // the pendant sends a report, any bytes
    pendant::Report report;
    for (uint8_t &b : report) b = static_cast<uint8_t>(Pick(256));
    Note("report " + Hex(report.data(), report.size()));
    figures.reportsSent += m.plugged ? 1 : 0;
    for (const Posted &p : reference.Send(report)) {
      expectedInputs.push_back(p);
      ++expectedInputCount;
    }
    pendant.QueueReport(report);
  } else if (which < 22) {
    Note("plug");
    reference.Plug();
    receiver.Plug();
  } else if (which < 26) {
    Note("unplug");
    reference.Unplug();
    receiver.Unplug();
  } else if (which < 30) {
    const uint32_t r = Pick(4);
    const bool input = r != 1;
    const bool feature = r != 2;
    Note("interfaces input=" + std::to_string(input) + " feature=" + std::to_string(feature));
    reference.SetInterfacesPresent(input, feature);
    receiver.SetInterfacesPresent(input, feature);
  } else if (which < 32) {
    static const uint32_t kCounts[] = {0, 1, 2, 3, 24, 25, 100};
    const uint32_t count = kCounts[Pick(7)];
    Note("foreign " + std::to_string(count));
    reference.SetForeignCount(count);
    receiver.SetForeignInterfaceCount(count);
  } else if (which < 34) {
    static const uint16_t kProducts[] = {0xEB90, 0xEB91, 0xEB92, 0xEB99, 0xFFFF};
    const uint16_t product = kProducts[Pick(5)];
    Note("product " + std::to_string(product));
    reference.SetProductId(product);
    receiver.SetProductId(product);
  } else if (which < 38) {
    static const int32_t kRefusals[] = {0, 0, 1, 2, -1};
    const int32_t writes = kRefusals[Pick(5)];
    Note("refuse-writes " + std::to_string(writes));
    reference.SetRefusals(writes, m.refuseReads);
    receiver.RefuseFeatureWrites(writes);
  } else if (which < 40) {
    const bool reads = Pick(2) == 0;
    Note("refuse-reads " + std::to_string(reads));
    reference.SetRefusals(m.refuseWrites, reads);
    receiver.RefuseFeatureReads(reads);
  } else if (which < 43) {
    CancelEvent();
  } else {
    Note("release held cancels");
    reference.ReleaseHeldCancels();
    platform.hid().ReleaseHeldCancels();
  }
}

// Cancels that take effect late (held until released) or never: rare, and
// mostly soon over.
void LibraryCheck::State::CancelEvent() {
  static const CancelMode kModes[] = {CancelMode::kPrompt, CancelMode::kPrompt, CancelMode::kPrompt,
                                      CancelMode::kPrompt, CancelMode::kPrompt, CancelMode::kPrompt,
                                      CancelMode::kHeld,   CancelMode::kIgnored};
  const CancelMode mode = options.lateCancels ? kModes[Pick(8)] : CancelMode::kPrompt;
  static const char *const kNames[] = {"prompt", "held", "ignored"};
  Note(std::string("cancels ") + kNames[static_cast<int>(mode)]);
  reference.SetCancelMode(mode);
  platform.hid().SetCancelMode(mode);
}

// Input messages in order and as decoded; loss checks to a window the library
// was given (the reader takes the window when it posts, so a check of a pass
// begun before an open may reach the window before it, a few steps late);
// nothing else.
void LibraryCheck::State::CheckMessages(WindowHandle before) {
  targets.insert(before);
  targets.insert(reference.window());
  for (const Message &m : messages.Take()) {
    if (m.message == WM_DEVICE_INPUT) {
      ++figures.inputMessages;
      figures.wheelPosted += static_cast<int8_t>(m.wParam & 0xFF);
      if (expectedInputs.empty()) {
        Fail("an input message nobody sent");
        continue;
      }
      const Posted p = expectedInputs.front();
      expectedInputs.pop_front();
      Expect("input message window", p.window, m.window);
      Expect("input message wParam", p.wParam, m.wParam);
      Expect("input message lParam", p.lParam, m.lParam);
    } else if (m.message == WM_DEVICE_CHECK) {
      ++figures.checkMessages;
      if (targets.count(m.window) == 0 || m.window == 0 || m.wParam != 0 || m.lParam != 0) {
        Fail("a check message to window " + std::to_string(m.window));
      }
    } else {
      Fail("an unknown message " + std::to_string(m.message));
    }
  }
}

void LibraryCheck::State::CheckCounters() {
  const testsupport::IoCounters c = platform.Counters();
  Expect("closes that met a pending read", 0u, c.closesThatWaited);
  Expect("requests that met a pending read", 0u, c.requestsThatWaited);
  Expect("reports dropped from a full ring", 0u, c.reportsDropped);
  Expect("closes of a value not open", 0u, c.invalidCloses);
  Expect("reads of another interface", 0u, c.strayReads);
}

// Reads left pending by ended readers end at the unplug; once they have,
// XClose leaves nothing open.
void LibraryCheck::State::Finish() {
  reference.SetCancelMode(CancelMode::kPrompt);
  platform.hid().SetCancelMode(CancelMode::kPrompt);
  reference.Unplug();
  receiver.Unplug();
  if (!platform.WaitUntil([this] { return Settled(); }, kSettleMs)) Fail("no settling at the end");
  Expect("XClose", reference.XClose(), library.XClose());
  Expect("handles left open", 0u, platform.Counters().openHandles);
}

LibraryCheck::LibraryCheck(const CheckOptions &options)
    : state_(std::make_unique<State>(options)) {}

LibraryCheck::~LibraryCheck() = default;

std::string LibraryCheck::Run() {
  State &s = *state_;
  s.Note("Xinit");
  s.Expect("Xinit", s.reference.Xinit(), s.library.Xinit());
  for (uint64_t i = 0; i < s.options.steps && s.failure.empty(); ++i) s.Step();
  if (s.failure.empty()) s.Finish();
  s.figures.wheelSent = s.reference.wheelSent();
  s.figures.wheelPolled = s.reference.wheelPolled() + s.reference.wheelDropped();
  s.Expect("wheel deltas posted", s.figures.wheelSent, s.figures.wheelPosted);
  s.Expect("wheel deltas polled, dropped or pending", s.figures.wheelSent,
           s.figures.wheelPolled + s.reference.wheel());
  if (s.failure.empty()) return "";
  std::ostringstream out;
  out << "step " << s.figures.steps << " (seed " << s.options.seed << "): " << s.failure
      << "\nlast steps:";
  for (const std::string &h : s.history) out << "\n  " << h;
  return out.str();
}

CheckFigures LibraryCheck::Figures() const { return state_->figures; }

}  // namespace librarycheck
