#include "recorder_options.h"

#include <cerrno>
#include <cstdlib>

namespace recorder {

namespace {

constexpr unsigned long kMaxCount = 100000000;

bool Count(const std::string &text, uint32_t *value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  char *end = nullptr;
  errno = 0;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || parsed == 0 || parsed > kMaxCount) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

}  // namespace

std::string Usage() {
  return "usage: pendant-record [--info] [--wait] [--seconds N] [--reports N] [FILE]\n"
         "       pendant-record --list\n"
         "Records what the pendant's receiver sends, beside any other program that\n"
         "uses it, as a script the virtual receiver replays (vreceiver.exe --script FILE).\n"
         "  FILE          the recording (default: pendant-YYYYMMDD-HHMMSS.vr here)\n"
         "  --info        put the receiver's device ID, channel and RSSI in the header\n"
         "  --wait        wait for the receiver when it is not plugged in\n"
         "  --seconds N   stop after N seconds\n"
         "  --reports N   stop after N input reports\n"
         "  --list        list the receiver's HID interfaces and end\n"
         "Ctrl+C stops the recording; the file then holds every report so far.\n"
         "Exit codes: 0 done, 1 no receiver, 2 bad command line, 3 file not written,\n"
         "4 receiver not readable.\n";
}

bool ParseOptions(const std::vector<std::string> &args, Options *options, std::string *error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--list") {
      options->list = true;
    } else if (arg == "--help" || arg == "-h" || arg == "/?") {
      options->help = true;
    } else if (arg == "--info") {
      options->info = true;
    } else if (arg == "--wait") {
      options->wait = true;
    } else if (arg == "--seconds" || arg == "--reports") {
      uint32_t *value = arg == "--seconds" ? &options->seconds : &options->reports;
      if (i + 1 >= args.size() || !Count(args[i + 1], value)) {
        *error = arg + " needs a whole number from 1 to " + std::to_string(kMaxCount);
        return false;
      }
      ++i;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg;
      return false;
    } else if (!options->file.empty()) {
      *error = "one recording at a time: " + options->file + " and " + arg;
      return false;
    } else {
      options->file = arg;
    }
  }
  return true;
}

}  // namespace recorder
