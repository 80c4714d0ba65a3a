#include "receiver_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <utility>

#include "arguments.h"
#include "recording_commands.h"
#include "script_port.h"
#include "text.h"

namespace vreceiver::process {

namespace {

using vreceiver::script::Args;
using vreceiver::script::Choice;
using vreceiver::script::HexWords;
using vreceiver::script::Number;
using vreceiver::script::OnOff;
using vreceiver::script::OptionNumber;
using vreceiver::script::Served;
using vreceiver::script::Shape;

// The every-K-th options of the foreign command; 0 (or absent) for none.
bool ForeignFaultsOf(const Args &args, vreceiver::ForeignFaults *faults, std::string *out) {
  long refuse = 0, failAttributes = 0, noIds = 0;
  if (!OptionNumber(args, "refuse", 0, 200, &refuse, out) ||
      !OptionNumber(args, "fail-attributes", 0, 200, &failAttributes, out) ||
      !OptionNumber(args, "no-ids", 0, 200, &noIds, out)) {
    return false;
  }
  faults->refuseOpenEvery = static_cast<uint32_t>(refuse);
  faults->failAttributesEvery = static_cast<uint32_t>(failAttributes);
  faults->pathWithoutIdsEvery = static_cast<uint32_t>(noIds);
  return true;
}

// The log entry a command's first word names: a number from 0, or "last"
// (the newest when the check runs: the log may grow while it waits).
struct Entry {
  bool last = false;
  size_t number = 0;
};

bool EntryWord(const Args &args, Entry *entry, std::string *out) {
  long value = 0;
  if (!args.words.empty() && args.words[0] == "last") {
    entry->last = true;
    return true;
  }
  if (Number(args, 0, 0, INT32_MAX, &value, out)) {
    entry->number = static_cast<size_t>(value);
    return true;
  }
  *out = "expected an entry number or last";
  return false;
}

// The entry's index into a log of `size` entries.
bool LogIndex(const Entry &entry, size_t size, size_t *index, std::string *out) {
  if (entry.last ? size > 0 : entry.number < size) {
    *index = entry.last ? size - 1 : entry.number;
    return true;
  }
  *out = "no such entry (have " + std::to_string(size) + ")";
  return false;
}

std::string HexOf(const std::vector<uint8_t> &bytes) {
  return vreceiver::script::HexOf(std::string(bytes.begin(), bytes.end()));
}

uint8_t TodayUtc() { return vreceiver::script::CurrentClock().DayOfMonthUtc(); }

// A command that waits until a count taken from the model equals N.
vreceiver::script::Handler CountIs(vreceiver::Receiver &receiver, std::function<size_t()> count) {
  return [&receiver, count](const Args &args, std::string *out) {
    long want = 0;
    if (!Shape(args, 1, 1, {"timeout"}, out) || !Number(args, 0, 0, 1000000, &want, out))
      return false;
    bool ok =
        receiver.WaitFor([&] { return count() == static_cast<size_t>(want); }, args.Timeout());
    if (!ok) *out = "count is " + std::to_string(count()) + ", expected " + std::to_string(want);
    return ok;
  };
}

// A command whose words are checked and read once (`prepare`, which makes
// the check of the model), then whose check is retried after every change
// of the model until it passes or the time-out ends; the last failure's
// message is kept.
using Check = std::function<bool(vreceiver::Receiver &, std::string *)>;
using Prepare = std::function<bool(const Args &, Check *, std::string *)>;
vreceiver::script::Handler Eventually(vreceiver::Receiver &receiver, Prepare prepare) {
  return [&receiver, prepare](const Args &args, std::string *out) {
    Check check;
    if (!prepare(args, &check, out)) return false;
    return receiver.WaitFor(
        [&] {
          out->clear();
          return check(receiver, out);
        },
        args.Timeout());
  };
}

// I|last today|DAY: the day byte of log entry I against DAY or today's.
Prepare DayIs(std::function<std::vector<uint8_t>(vreceiver::Receiver &)> days) {
  return [days](const Args &a, Check *check, std::string *out) {
    Entry entry;
    long day = 0;
    if (!Shape(a, 2, 2, {"timeout"}, out) || !EntryWord(a, &entry, out) ||
        !(a.words[1] == "today" || Number(a, 1, 1, 31, &day, out))) {
      return false;
    }
    const bool today = a.words[1] == "today";
    *check = [days, entry, today, day](vreceiver::Receiver &model, std::string *why) {
      const std::vector<uint8_t> all = days(model);
      size_t index = 0;
      if (!LogIndex(entry, all.size(), &index, why)) return false;
      const long want = today ? TodayUtc() : day;
      if (all[index] == want) return true;
      *why = "day is " + std::to_string(all[index]) + ", expected " + std::to_string(want);
      return false;
    };
    return true;
  };
}

// I|last B..: the bytes of log entry I against the hex words after it.
Prepare BytesAre(std::function<std::vector<std::vector<uint8_t>>(vreceiver::Receiver &)> log) {
  return [log](const Args &a, Check *check, std::string *out) {
    Entry entry;
    std::vector<uint8_t> want;
    if (!Shape(a, 1, SIZE_MAX, {"timeout"}, out) || !EntryWord(a, &entry, out) ||
        !HexWords(a, 1, &want, out)) {
      return false;
    }
    *check = [log, entry, want](vreceiver::Receiver &model, std::string *why) {
      const std::vector<std::vector<uint8_t>> all = log(model);
      size_t index = 0;
      if (!LogIndex(entry, all.size(), &index, why)) return false;
      if (all[index] == want) return true;
      *why = "entry is " + HexOf(all[index]);
      return false;
    };
    return true;
  };
}

std::string DescribeDisplay(const vreceiver::DisplayText &text) {
  std::string line = "display day=" + std::to_string(text.day) + " payload(" +
                     std::to_string(text.payload.size()) + ")=" + HexOf(text.payload);
  for (const std::string &lcd : text.lines)
    line += "\n  |" + vreceiver::script::GbkToUtf8(lcd) + "|";
  return line;
}

bool SamePathIgnoringCase(const std::string &a, const std::string &b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The path the system lists for a model interface, or why there is none.
std::string SystemPath(const std::string &modelPath, const std::vector<std::string> &listed) {
  for (const std::string &path : listed) {
    if (SamePathIgnoringCase(path, modelPath)) return path;
  }
  return "(not listed: " + modelPath + ")";
}

std::string Show(vreceiver::Receiver &receiver, const ListedPaths &listPaths) {
  const pendant::DeviceIdentity identity = receiver.Identity();
  char release[8];
  std::snprintf(release, sizeof release, "0x%04X", identity.release);
  std::string text = "plugged=" + std::string(receiver.IsPlugged() ? "yes" : "no") +
                     " product=" + std::to_string(receiver.ProductId()) + " release=" + release +
                     " manufacturer=\"" + identity.manufacturer + "\" product=\"" +
                     identity.product + "\" serial=\"" + identity.serial + "\"" +
                     " open-handles=" + std::to_string(receiver.OpenHandles()) +
                     " pending-reports=" + std::to_string(receiver.PendingReports()) +
                     " info-requests=" + std::to_string(receiver.InfoRequests());
  // The model's own paths where no system listing is at hand (natively).
  const std::vector<std::string> listed = listPaths ? listPaths() : std::vector<std::string>{};
  for (const pendant::InterfaceInfo &info : receiver.ListInterfaces()) {
    text += "\ninterface " + (listPaths ? SystemPath(info.path, listed) : info.path) +
            " vid=" + std::to_string(info.vendorId) + " pid=" + std::to_string(info.productId) +
            " in=" + std::to_string(info.inputLength) +
            " feature=" + std::to_string(info.featureLength);
  }
  for (const vreceiver::FeatureWrite &write : receiver.FeatureWrites()) {
    text += "\nwrite " + HexOf(write.bytes) + (write.accepted ? "" : " (refused)");
  }
  for (uint8_t day : receiver.GreetingDays()) text += "\ngreeting day=" + std::to_string(day);
  for (const vreceiver::DisplayText &display : receiver.DisplayTexts()) {
    text += "\n" + DescribeDisplay(display);
  }
  for (const vreceiver::Command &command : receiver.Commands()) {
    text += "\ncommand " + HexOf(command.bytes);
  }
  return text;
}

bool ArrivalCommand(vreceiver::Receiver &r, const Args &a, std::string *out) {
  size_t order = 0;
  long gap = 0;
  if (!Shape(a, 1, 1, {"gap"}, out) || !Choice(a, 0, {"input-first", "input-last"}, &order, out) ||
      !OptionNumber(a, "gap", 0, 60000, &gap, out)) {
    return false;
  }
  r.SetArrival(order == 0 ? vreceiver::Arrival::kInputFirst : vreceiver::Arrival::kInputLast,
               static_cast<uint32_t>(gap));
  return Served(r, out);
}

void AddMachine(vreceiver::script::Interpreter &in, vreceiver::Receiver &r) {
  in.Add("device-release", "N", "the release (bcdDevice) of the current product ID",
         [&r](const Args &a, std::string *out) {
           long release = 0;
           if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, 0, 0xFFFF, &release, out)) return false;
           r.SetRelease(static_cast<uint16_t>(release));
           return Served(r, out);
         });
  in.Add("device-strings", "\"MANUFACTURER\" \"PRODUCT\" \"SERIAL\"", "the receiver's USB strings",
         [&r](const Args &a, std::string *out) {
           const auto tooLong = [](const std::string &text) {
             return !pendant::FitsStringDescriptor(text);
           };
           if (!Shape(a, 0, SIZE_MAX, {}, out)) return false;
           if (a.words.size() != 3 || std::any_of(a.words.begin(), a.words.end(), tooLong)) {
             *out = "expected three quoted texts (manufacturer, product, serial number) of up to " +
                    std::to_string(pendant::kStringDescriptorChars) + " UTF-16 characters each";
             return false;
           }
           r.SetStrings(a.words[0], a.words[1], a.words[2]);
           return Served(r, out);
         });
  in.Add("foreign", "N [refuse=K] [fail-attributes=K] [no-ids=K]",
         "N foreign HID interfaces listed before the receiver; every K-th refuses opens, fails "
         "its attribute query, or has no USB IDs in its path",
         [&r](const Args &a, std::string *out) {
           long count = 0;
           if (!Shape(a, 1, 1, {"refuse", "fail-attributes", "no-ids", "timeout"}, out) ||
               !Number(a, 0, 0, 200, &count, out))
             return false;
           vreceiver::ForeignFaults faults;
           if (!ForeignFaultsOf(a, &faults, out)) return false;
           r.SetForeignFaults(faults);
           r.SetForeignInterfaceCount(static_cast<uint32_t>(count));
           return Served(r, out);
         });
  in.Add("interfaces", "both|input|feature", "which receiver interfaces are listed",
         [&r](const Args &a, std::string *out) {
           size_t which = 0;  // both, input, feature
           if (!Shape(a, 0, 1, {}, out) || !Choice(a, 0, {"both", "input", "feature"}, &which, out))
             return false;
           r.SetInterfacesPresent(which != 2, which != 1);
           return Served(r, out);
         });
  in.Add("arrival", "input-first|input-last [gap=MS]",
         "the order the receiver's interfaces arrive in",
         [&r](const Args &a, std::string *out) { return ArrivalCommand(r, a, out); });
  in.Add("refuse-writes", "N", "refuse the next N feature writes (-1 all, 0 none)",
         [&r](const Args &a, std::string *out) {
           long count = 0;
           if (!Shape(a, 1, 1, {}, out) || !Number(a, 0, -1, 1000000, &count, out)) return false;
           r.RefuseFeatureWrites(static_cast<int32_t>(count));
           return Served(r, out);
         });
  in.Add("refuse-reads", "on|off", "refuse information requests",
         [&r](const Args &a, std::string *out) {
           bool on = false;
           if (!Shape(a, 0, 1, {}, out) || !OnOff(a, &on, out)) return false;
           r.RefuseFeatureReads(on);
           return Served(r, out);
         });
}

// I|last "L1" "L2" "L3" "L4": display text I against the four lines.
bool DisplayIs(const Args &a, Check *check, std::string *out) {
  Entry entry;
  if (!Shape(a, 0, SIZE_MAX, {"timeout"}, out)) return false;
  if (a.words.size() != 5) {
    *out = "expected an entry and four quoted lines";
    return false;
  }
  if (!EntryWord(a, &entry, out)) return false;
  std::string want;
  for (const std::string &line :
       vreceiver::script::LcdLinesFromUtf8({a.words.begin() + 1, a.words.end()})) {
    want += line;
  }
  *check = [entry, want](vreceiver::Receiver &r, std::string *why) {
    const std::vector<vreceiver::DisplayText> texts = r.DisplayTexts();
    size_t index = 0;
    if (!LogIndex(entry, texts.size(), &index, why)) return false;
    const vreceiver::DisplayText &text = texts[index];
    if (std::string(text.payload.begin(), text.payload.end()) == want) return true;
    *why = "got " + DescribeDisplay(text) + "\nwant payload(" + std::to_string(want.size()) +
           ")=" + vreceiver::script::HexOf(want);
    return false;
  };
  return true;
}

void AddObservations(vreceiver::script::Interpreter &in, vreceiver::Receiver &r,
                     const ListedPaths &listPaths) {
  in.Add("expect-greetings", "N", "wait until N greetings were received",
         CountIs(r, [&r] { return r.GreetingDays().size(); }));
  in.Add("expect-displays", "N", "wait until N display texts were received",
         CountIs(r, [&r] { return r.DisplayTexts().size(); }));
  in.Add("expect-commands", "N", "wait until N commands were received",
         CountIs(r, [&r] { return r.Commands().size(); }));
  in.Add("expect-info-requests", "N", "wait until N information requests",
         CountIs(r, [&r] { return r.InfoRequests(); }));
  in.Add("expect-handles", "N", "wait until N handles are open on the receiver",
         CountIs(r, [&r] { return r.OpenHandles(); }));
  in.Add("expect-foreign-opens", "N", "wait until N opens of foreign interfaces were asked for",
         CountIs(r, [&r] { return r.ForeignOpens(); }));
  in.Add("expect-greeting-day", "I|last today|DAY", "a greeting's day byte",
         Eventually(r, DayIs([](vreceiver::Receiver &model) { return model.GreetingDays(); })));
  in.Add("expect-display", "I|last \"L1\" \"L2\" \"L3\" \"L4\"",
         "a display text, lines space-padded", Eventually(r, DisplayIs));
  in.Add("expect-display-day", "I|last today|DAY", "a display frame's day byte",
         Eventually(r, DayIs([](vreceiver::Receiver &model) {
                      std::vector<uint8_t> days;
                      for (const vreceiver::DisplayText &text : model.DisplayTexts())
                        days.push_back(text.day);
                      return days;
                    })));
  in.Add("expect-command", "I|last B..", "a command's bytes (hex)",
         Eventually(r, BytesAre([](vreceiver::Receiver &model) {
                      std::vector<std::vector<uint8_t>> all;
                      for (const vreceiver::Command &command : model.Commands())
                        all.push_back(command.bytes);
                      return all;
                    })));
  in.Add("expect-write", "I|last B..", "a raw feature write (hex), preludes included",
         Eventually(r, BytesAre([](vreceiver::Receiver &model) {
                      std::vector<std::vector<uint8_t>> all;
                      for (const vreceiver::FeatureWrite &write : model.FeatureWrites()) {
                        all.push_back(write.bytes);
                      }
                      return all;
                    })));
  in.Add("clear-log", "", "forget what the receiver got so far",
         [&r](const Args &a, std::string *out) {
           if (!Shape(a, 0, 0, {}, out)) return false;
           r.ClearLog();
           return true;
         });
  in.Add("show", "", "the receiver's state and everything it got",
         [&r, listPaths](const Args &a, std::string *out) {
           if (!Shape(a, 0, 0, {}, out)) return false;
           *out = Show(r, listPaths);
           return true;
         });
}

}  // namespace

void AddReceiverCommands(vreceiver::script::Interpreter &interpreter, vreceiver::Receiver &receiver,
                         const ListedPaths &listPaths) {
  vreceiver::script::AddRecordingCommands(interpreter, receiver);
  AddMachine(interpreter, receiver);
  AddObservations(interpreter, receiver, listPaths);
}

}  // namespace vreceiver::process
