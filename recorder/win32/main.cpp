// pendant-record.exe: records what the pendant's USB receiver sends, beside
// Tarvex or any CNC program that uses it, as a script of the virtual
// receiver's command language that vreceiver.exe --script replays.
// Needs no driver and no administrator rights: it reads the receiver
// through Windows' own HID class driver, as any program does.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console_stop.h"
#include "hid_interfaces.h"
#include "recorder_options.h"
#include "session.h"

namespace {

// Every receiver interface with its IDs and report lengths.
int ListReceivers() {
  const std::vector<hidlist::HidInterface> all = hidlist::ListInterfaces();
  int found = 0;
  for (const hidlist::HidInterface &one : all) {
    if (!hidlist::IsReceiverInterface(one)) continue;
    ++found;
    std::printf("vendor 0x%04X product 0x%04X (%u)  input %u bytes  feature %u bytes  %s\n",
                one.vendorId, one.productId, one.productId, one.inputLength, one.featureLength,
                one.path.c_str());
  }
  std::printf(
      "%d receiver interface%s among %u HID interfaces (vendor 0x10CE, product 0xEB90 "
      "and up)\n",
      found, found == 1 ? "" : "s", static_cast<unsigned>(all.size()));
  return found > 0 ? recorder::kExitDone : recorder::kExitNoReceiver;
}

}  // namespace

int main(int argc, char **argv) {
  recorder::Options options;
  std::string error;
  if (!recorder::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    std::printf("pendant-record: %s\n\n%s", error.c_str(), recorder::Usage().c_str());
    return recorder::kExitUsage;
  }
  if (options.help) {
    std::printf("%s", recorder::Usage().c_str());
    return recorder::kExitDone;
  }
  if (options.list) return ListReceivers();
  HANDLE stop = recorder::InstallConsoleStop();
  if (!stop) {
    std::printf("pendant-record: cannot watch for Ctrl+C (error %lu)\n", GetLastError());
    return recorder::kExitUsage;
  }
  const int code = recorder::RecordSession(options, stop);
  recorder::ConsoleStopFinished();
  return code;
}
