#include "command_pipe.h"

#include <cstdio>

namespace vreceiver::process {

std::unique_ptr<PipeListener> ServeCommands(vreceiver::script::Interpreter &interpreter) {
  auto listener = std::make_unique<PipeListener>(kCommandPipe, [&interpreter](HANDLE pipe) {
    std::string line;
    while (ReadPipe(pipe, &line)) {
      std::string out;
      bool ok = interpreter.RunLine(line, &out);
      std::string reply = (ok ? "ok" : "fail") + (out.empty() ? "" : "\n" + out);
      if (!WritePipe(pipe, reply.data(), static_cast<DWORD>(reply.size()))) break;
    }
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
  });
  listener->SetEnabled(true);
  return listener;
}

bool SendCommand(const std::string &line) {
  HANDLE pipe = CreateFileA(kCommandPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) {
    std::printf("fail\nno receiver process is running\n");
    return false;
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  std::string reply(64 * 1024, '\0');
  DWORD got = 0;
  BOOL ok =
      TransactNamedPipe(pipe, const_cast<char *>(line.data()), static_cast<DWORD>(line.size()),
                        &reply[0], static_cast<DWORD>(reply.size()), &got, nullptr);
  CloseHandle(pipe);
  reply.resize(ok ? got : 0);
  std::printf("%s\n", reply.c_str());
  return ok && reply.compare(0, 2, "ok") == 0;
}

}  // namespace vreceiver::process
