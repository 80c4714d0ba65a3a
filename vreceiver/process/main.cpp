// vreceiver.exe: the virtual receiver process. Serves the receiver model as
// a HID device of the Wine prefix (through the virtual receiver's driver),
// and takes commands from recordings, script files, standard input and its
// command pipe.
//
//   vreceiver.exe --replay FILE [--serve]       replay a recording: checked
//                                               whole first, it only moves
//                                               the pendant and the receiver
//   vreceiver.exe [--script FILE].. [--serve]   run test scripts, which run
//                                               programs and write files: only
//                                               scripts you wrote
//   vreceiver.exe                               commands from standard input
//   vreceiver.exe --send "COMMAND"..            drive a running receiver
//   vreceiver.exe --window [--script FILE]..    the pendant's window too; with
//                                               no script, until it is closed
//   --speed X                                   sleeps X times as fast
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "command_pipe.h"
#include "hid_interfaces.h"
#include "interpreter.h"
#include "paced_sleep.h"
#include "pacing_commands.h"
#include "pendant_window.h"
#include "program_commands.h"
#include "receiver_commands.h"
#include "receiver_server.h"
#include "recording_commands.h"
#include "recording_replay.h"
#include "script_pace.h"
#include "ui_commands.h"
#include "vreceiver/receiver.h"

namespace {

// The driver's first start in a new prefix installs its devices.
constexpr uint32_t kStartWaitMs = 150000;

struct Options {
  std::string replay;
  std::vector<std::string> scripts;
  std::vector<std::string> sends;
  bool serve = false;
  bool window = false;
  double speed = 1.0;
};

bool Usage() {
  std::printf(
      "usage: vreceiver.exe [--window] --replay RECORDING [--serve] [--speed X]\n"
      "       vreceiver.exe [--window] [--script FILE].. [--serve] [--speed X]\n"
      "       vreceiver.exe --send \"COMMAND\"..\n"
      "--replay plays a recording (only the pendant's and the receiver's commands, sleeps and\n"
      "comments; the whole file is checked first). --script runs a test script, which may run\n"
      "programs and write files: take only scripts you wrote.\n");
  return false;
}

bool ParseOptions(int argc, char **argv, Options *options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--replay" && i + 1 < argc && options->replay.empty()) {
      options->replay = argv[++i];
    } else if (arg == "--script" && i + 1 < argc) {
      options->scripts.push_back(argv[++i]);
    } else if (arg == "--send" && i + 1 < argc) {
      options->sends.push_back(argv[++i]);
    } else if (arg == "--serve") {
      options->serve = true;
    } else if (arg == "--window") {
      options->window = true;
    } else if (arg == "--speed" && i + 1 < argc &&
               vreceiver::script::ParseSpeed(argv[i + 1], &options->speed)) {
      ++i;
    } else {
      return Usage();
    }
  }
  // A recording replays alone: no test script runs beside it.
  if (!options->replay.empty() && (!options->scripts.empty() || !options->sends.empty())) {
    return Usage();
  }
  return true;
}

void ReadStandardInput(vreceiver::script::Interpreter &interpreter) {
  std::string line;
  while (!interpreter.QuitRequested() && std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string out;
    bool ok = interpreter.RunLine(line, &out);
    std::printf("%s%s%s\n", ok ? "ok" : "fail", out.empty() ? "" : "\n", out.c_str());
    std::fflush(stdout);
  }
}

int Serve(const Options &options) {
  // Threads of the pipe servers use these until the process ends.
  auto *receiver = new vreceiver::Receiver;
  auto *server = new vreceiver::process::ReceiverServer(*receiver);
  auto *recording = new vreceiver::script::Interpreter;
  vreceiver::script::AddRecordingCommands(*recording, *receiver);
  if (!options.replay.empty() && !vreceiver::process::CheckRecording(options.replay, *recording))
    ExitProcess(1);
  auto *interpreter = new vreceiver::script::Interpreter;
  vreceiver::process::AddReceiverCommands(*interpreter, *receiver, hidlist::ListPaths);
  vreceiver::process::AddProgramCommands(*interpreter);
  vreceiver::process::AddPacingCommands(*interpreter);
  uiprobe::AddUiCommands(*interpreter);
  interpreter->Add("quit", "", "end the receiver process",
                   [interpreter](const vreceiver::script::Args &, std::string *) {
                     interpreter->RequestQuit();
                     return true;
                   });
  std::string error;
  // Ready once the system lists what the model lists.
  if (!server->Start(&error) || !receiver->WaitServed(kStartWaitMs, &error)) {
    std::printf("vreceiver: %s\n", error.c_str());
    std::fflush(stdout);
    ExitProcess(1);
  }
  auto commands = vreceiver::process::ServeCommands(*interpreter);
  if (options.window && !pendant_window::OpenPendantWindow(*interpreter, *receiver, [interpreter] {
        interpreter->RequestQuit();
      })) {
    std::printf("vreceiver: cannot open the pendant window\n");
  }
  std::printf("vreceiver ready\n");
  std::fflush(stdout);

  bool ok = options.replay.empty() || vreceiver::process::PlayRecording(options.replay, *recording);
  for (const std::string &script : options.scripts) {
    if (!interpreter->RunFile(script)) {
      ok = false;
      // What the receiver saw, for the failure's report.
      std::string state;
      interpreter->RunLine("show", &state);
      std::printf("receiver state at the failure:\n%s\nthe device's last events:\n%s",
                  state.c_str(), server->RecentEvents().c_str());
      break;
    }
  }
  const bool untilClosed = options.window && options.scripts.empty() && options.replay.empty();
  if (options.scripts.empty() && options.replay.empty() && !options.window) {
    ReadStandardInput(*interpreter);
  } else if ((options.serve || untilClosed) && ok) {
    while (!interpreter->QuitRequested()) Sleep(50);
  }
  std::printf("%s\n", ok ? "vreceiver: all commands succeeded" : "vreceiver: a command failed");
  std::fflush(stdout);
  vreceiver::process::StopProgram();
  server->Stop();
  receiver->Shutdown();
  ExitProcess(ok ? 0 : 1);
}

}  // namespace

int main(int argc, char **argv) {
  // The helper of the `interrupt` command.
  if (argc == 3 && std::string(argv[1]) == "--ctrl-c") {
    long pid = 0;
    if (!vreceiver::script::ParseNumber(argv[2], &pid) || pid <= 0) return 2;
    return vreceiver::process::CtrlCToConsoleOf(static_cast<DWORD>(pid));
  }
  Options options;
  if (!ParseOptions(argc, argv, &options)) return 2;
  vreceiver::script::SetDefaultSpeed(options.speed);
  if (!options.sends.empty()) {
    bool ok = true;
    for (const std::string &line : options.sends) ok = vreceiver::process::SendCommand(line) && ok;
    return ok ? 0 : 1;
  }
  return Serve(options);
}
