#include "recording_commands.h"

#include <algorithm>
#include <cstdint>

#include "arguments.h"
#include "paced_sleep.h"
#include "vreceiver/pendant.h"

namespace vreceiver::script {

bool Served(Receiver &r, std::string *out) {
  // Plug and Play installs a device seen for the first time in a prefix;
  // on a loaded machine that takes many seconds, twice for two arrivals.
  constexpr uint32_t kServeWaitMs = 150000;
  return r.WaitServed(kServeWaitMs, out);
}

namespace {

// A command of no words whose action changes the receiver.
Parser Bare(std::function<void()> change, std::function<bool(std::string *)> then) {
  return [change, then](const Args &a, Action *act, std::string *out) {
    if (!Shape(a, 0, 0, {}, out)) return false;
    *act = [change, then](std::string *o) {
      change();
      return then(o);
    };
    return true;
  };
}

// Each field's own range: a value that does not fit is refused, not cut to
// its low bits (the window passes typed text here).
bool InfoFields(const Args &a, ReceiverInfo *info, std::string *out) {
  long id = info->deviceId, channel = info->channel, rssi = info->rssi;
  if (!Shape(a, 0, 0, {"id", "channel", "rssi", "timeout"}, out) ||
      !OptionNumber(a, "id", 0, 0xFFFF, &id, out) ||
      !OptionNumber(a, "channel", -128, 127, &channel, out) ||
      !OptionNumber(a, "rssi", 0, 255, &rssi, out)) {
    return false;
  }
  info->deviceId = static_cast<uint16_t>(id);
  info->channel = static_cast<int8_t>(channel);
  info->rssi = static_cast<uint8_t>(rssi);
  return true;
}

void AddMachine(Interpreter &in, Receiver &r) {
  const auto served = [&r](std::string *out) { return Served(r, out); };
  in.AddChecked("plug", "", "the receiver appears", Bare([&r] { r.Plug(); }, served));
  in.AddChecked("unplug", "", "the receiver is pulled out", Bare([&r] { r.Unplug(); }, served));
  in.AddChecked("product", "ID", "USB product ID (e.g. 0xEB91) of the receiver",
                [&r](const Args &a, Action *act, std::string *out) {
                  long id = 0;
                  if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, 0, 0xFFFF, &id, out)) return false;
                  *act = [&r, id](std::string *o) {
                    r.SetProductId(static_cast<uint16_t>(id));
                    return Served(r, o);
                  };
                  return true;
                });
  in.AddChecked("info", "[id=N] [channel=N] [rssi=N]", "the information report's values",
                [&r](const Args &a, Action *act, std::string *out) {
                  // The fields are checked against a blank; those given
                  // change the receiver's when the command runs.
                  ReceiverInfo blank;
                  if (!InfoFields(a, &blank, out)) return false;
                  *act = [&r, a](std::string *o) {
                    ReceiverInfo info = r.Info();
                    InfoFields(a, &info, o);
                    r.SetInfo(info);
                    return Served(r, o);
                  };
                  return true;
                });
}

// Reports queued for the device at most before a pendant command waits
// for it to take some (4 s of them at its one a millisecond), so that a
// file of huge wheel turns holds a bounded queue, in order, none lost.
constexpr size_t kMostQueued = 4096;

// A pendant command: its words checked by `check`, which returns what the
// pendant does when it runs (each sends what the pendant sends at such a
// change).
using PendantCheck =
    std::function<bool(const Args &, std::function<void(Pendant &)> *, std::string *)>;
Parser OnPendant(Receiver &r, PendantCheck check) {
  return [&r, check](const Args &a, Action *act, std::string *out) {
    std::function<void(Pendant &)> does;
    if (!Shape(a, 0, SIZE_MAX, {}, out) || !check(a, &does, out)) return false;
    *act = [&r, does](std::string *o) {
      if (!r.WaitFor([&r] { return r.PendingReports() < kMostQueued; }, kDefaultTimeoutMs)) {
        *o = "the device took no report for " + std::to_string(kDefaultTimeoutMs) + " ms";
        return false;
      }
      Pendant pendant(r);
      does(pendant);
      return true;
    };
    return true;
  };
}

// A selector or switch: one number in a range, or on|off.
PendantCheck Code(long high, void (Pendant::*set)(uint8_t)) {
  return [high, set](const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
    long code = 0;
    if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, 0, high, &code, out)) return false;
    *does = [set, code](Pendant &p) { (p.*set)(static_cast<uint8_t>(code)); };
    return true;
  };
}
PendantCheck Switch(void (Pendant::*set)(bool)) {
  return [set](const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
    bool on = false;
    if (!OnOff(a, &on, out)) return false;
    *does = [set, on](Pendant &p) { (p.*set)(on); };
    return true;
  };
}

bool Keys(const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
  long k1 = 0, k2 = 0;
  if (!Shape(a, 1, 2, {}, out) || !Number(a, 0, 0, 255, &k1, out)) return false;
  if (a.words.size() > 1 && !Number(a, 1, 0, 255, &k2, out)) return false;
  *does = [k1, k2](Pendant &p) { p.PressKeys(static_cast<uint8_t>(k1), static_cast<uint8_t>(k2)); };
  return true;
}

bool Wheel(const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
  long delta = 0;
  if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, -100000, 100000, &delta, out)) return false;
  *does = [delta](Pendant &p) { p.TurnWheel(static_cast<int32_t>(delta)); };
  return true;
}

bool Reports(const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
  std::vector<uint8_t> bytes;
  if (!HexWords(a, 0, &bytes, out)) return false;
  if (bytes.empty() || bytes.size() % kReportLength != 0) {
    *out = "expected one or more reports of 8 bytes";
    return false;
  }
  *does = [bytes](Pendant &p) {
    for (auto at = bytes.begin(); at != bytes.end(); at += kReportLength) {
      Report report;
      std::copy(at, at + kReportLength, report.begin());
      p.SendReport(report);
    }
  };
  return true;
}

void AddPendant(Interpreter &in, Receiver &r) {
  in.AddChecked("keys", "K1 [K2]", "one report with these key codes down", OnPendant(r, Keys));
  in.AddChecked(
      "release", "", "one report with no key down",
      OnPendant(r, [](const Args &a, std::function<void(Pendant &)> *does, std::string *out) {
        *does = [](Pendant &p) { p.ReleaseKeys(); };
        return Shape(a, 0, 0, {}, out);
      }));
  in.AddChecked("wheel", "DELTA", "turn the wheel (any delta; split into -128..127)",
                OnPendant(r, Wheel));
  in.AddChecked("axis", "CODE", "axis selector code (17 X .. 23 7th axis, others OFF)",
                OnPendant(r, Code(255, &Pendant::SetAxis)));
  in.AddChecked("step", "CODE", "step selector code (13 1x, 14 10x, 15 100x, 16 1000x ...)",
                OnPendant(r, Code(63, &Pendant::SetStep)));
  in.AddChecked("wheel-enable", "on|off", "the wheel-enable flag",
                OnPendant(r, Switch(&Pendant::SetWheelEnabled)));
  in.AddChecked("estop", "on|off", "the emergency-stop flag",
                OnPendant(r, Switch(&Pendant::SetEmergencyStop)));
  in.AddChecked("report", "B0 .. B7 [B0 .. B7 ..]",
                "the pendant sends these raw input reports (hex), in order", OnPendant(r, Reports));
  in.AddChecked("wait-sent", "", "wait until every queued input report was sent",
                [&r](const Args &a, Action *act, std::string *out) {
                  if (!Shape(a, 0, 0, {"timeout"}, out)) return false;
                  const uint32_t timeout = a.Timeout();
                  *act = [&r, timeout](std::string *o) {
                    bool ok = r.WaitFor([&] { return r.PendingReports() == 0; }, timeout);
                    if (!ok) *o = std::to_string(r.PendingReports()) + " reports still queued";
                    return ok;
                  };
                  return true;
                });
}

}  // namespace

void AddSleep(Interpreter &in) {
  in.AddChecked("sleep", "MS", "pause MS after the previous sleep (recorded gaps; --speed)",
                [](const Args &a, Action *act, std::string *out) {
                  long ms = 0;
                  if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, 0, INT32_MAX, &ms, out))
                    return false;
                  const bool shortened = ms > long{kLongestGapMs};
                  const auto kept = shortened ? kLongestGapMs : static_cast<uint32_t>(ms);
                  if (shortened) {
                    *out = "a gap of " + std::to_string(ms) + " ms plays as the longest kept, " +
                           std::to_string(kLongestGapMs) + " ms";
                  }
                  *act = [kept](std::string *o) {
                    if (PacedSleep(kept)) return true;
                    *o = "stopped";
                    return false;
                  };
                  return true;
                });
}

void AddRecordingCommands(Interpreter &in, Receiver &r) {
  AddMachine(in, r);
  AddPendant(in, r);
  AddSleep(in);
}

}  // namespace vreceiver::script
