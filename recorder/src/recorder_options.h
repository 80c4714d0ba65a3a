// The recorder's command line and its exit codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace recorder {

enum ExitCode : int {
  kExitDone = 0,            // recorded (or listed) as asked
  kExitNoReceiver = 1,      // no receiver, and --wait not given
  kExitUsage = 2,           // an unknown option or a bad value
  kExitFileFailed = 3,      // the recording cannot be written
  kExitReceiverFailed = 4,  // the receiver was found but cannot be read
};

struct Options {
  bool list = false;     // --list: the receiver's interfaces, then end
  bool help = false;     // --help
  bool info = false;     // --info: the information report in the header
  bool wait = false;     // --wait: wait for the receiver to be plugged in
  uint32_t seconds = 0;  // --seconds N: stop after N seconds (0: no limit)
  uint32_t reports = 0;  // --reports N: stop after N reports (0: no limit)
  std::string file;      // the recording; empty: a name from the time
};

// Reads the arguments after the program's name; false with a message for
// the user in *error when they are not understood.
bool ParseOptions(const std::vector<std::string> &args, Options *options, std::string *error);
std::string Usage();

}  // namespace recorder
