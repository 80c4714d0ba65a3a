#include "pipe_listener.h"

namespace vrhost {

namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kBufferSize = 64 * 1024;

bool Finish(HANDLE pipe, OVERLAPPED *overlapped, BOOL started, DWORD *count) {
  if (!started && GetLastError() != ERROR_IO_PENDING) return false;
  return GetOverlappedResult(pipe, overlapped, count, TRUE) != 0;
}

}  // namespace

PipeListener::PipeListener(std::string name, Handler handler)
    : name_(std::move(name)), handler_(std::move(handler)), thread_([this] { Run(); }) {}

PipeListener::~PipeListener() {
  stop_ = true;
  thread_.join();
}

HANDLE PipeListener::CreateInstance(OVERLAPPED *overlapped, bool *connected) {
  *connected = false;
  HANDLE pipe = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                 PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return pipe;
  ResetEvent(overlapped->hEvent);
  if (!ConnectNamedPipe(pipe, overlapped)) {
    DWORD error = GetLastError();
    if (error == ERROR_PIPE_CONNECTED) {
      *connected = true;
    } else if (error != ERROR_IO_PENDING) {
      CloseHandle(pipe);
      return INVALID_HANDLE_VALUE;
    }
  }
  return pipe;
}

void PipeListener::Run() {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE pending = INVALID_HANDLE_VALUE;
  bool connected = false;
  while (!stop_) {
    if (!enabled_) {
      if (pending != INVALID_HANDLE_VALUE) {
        CancelIo(pending);
        CloseHandle(pending);
        pending = INVALID_HANDLE_VALUE;
      }
      listening_ = false;
      Sleep(kPollMs);
      continue;
    }
    if (pending == INVALID_HANDLE_VALUE) {
      pending = CreateInstance(&overlapped, &connected);
      if (pending == INVALID_HANDLE_VALUE) {
        Sleep(kPollMs);
        continue;
      }
    }
    listening_ = true;
    if (!connected && WaitForSingleObject(overlapped.hEvent, kPollMs) != WAIT_OBJECT_0) continue;
    DWORD ignored = 0;
    if (!connected && !GetOverlappedResult(pending, &overlapped, &ignored, FALSE)) {
      CloseHandle(pending);
      pending = INVALID_HANDLE_VALUE;
      continue;
    }
    HANDLE client = pending;
    pending = CreateInstance(&overlapped, &connected);
    std::thread([this, client] { handler_(client); }).detach();
  }
  if (pending != INVALID_HANDLE_VALUE) {
    CancelIo(pending);
    CloseHandle(pending);
  }
  CloseHandle(overlapped.hEvent);
}

bool WritePipe(HANDLE pipe, const void *data, DWORD length) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD written = 0;
  bool ok =
      Finish(pipe, &overlapped, WriteFile(pipe, data, length, nullptr, &overlapped), &written) &&
      written == length;
  CloseHandle(overlapped.hEvent);
  return ok;
}

bool ReadPipe(HANDLE pipe, std::string *message) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::string buffer(kBufferSize, '\0');
  DWORD got = 0;
  bool ok = Finish(pipe, &overlapped, ReadFile(pipe, &buffer[0], kBufferSize, nullptr, &overlapped),
                   &got);
  CloseHandle(overlapped.hEvent);
  if (ok) message->assign(buffer.data(), got);
  return ok;
}

void WaitClientGone(HANDLE pipe) {
  std::string ignored;
  while (ReadPipe(pipe, &ignored)) {
  }
}

}  // namespace vrhost
