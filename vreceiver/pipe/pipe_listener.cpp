#include "pipe_listener.h"

#include "threads.h"

namespace vreceiver::process {

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

// One listening instance with its own connect operation; a fresh
// OVERLAPPED per instance, so no late completion can land in another's.
struct PipeListener::Instance {
  HANDLE pipe = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped{};
  bool connected = false;
  ~Instance() {
    if (pipe != INVALID_HANDLE_VALUE) {
      CancelIo(pipe);
      DWORD ignored = 0;
      GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
      CloseHandle(pipe);
    }
    CloseHandle(overlapped.hEvent);
  }
};

std::unique_ptr<PipeListener::Instance> PipeListener::CreateInstance() {
  auto instance = std::make_unique<Instance>();
  instance->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  instance->pipe = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                    PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
  if (instance->pipe == INVALID_HANDLE_VALUE) return nullptr;
  if (ConnectNamedPipe(instance->pipe, &instance->overlapped)) {
    instance->connected = true;
  } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
    instance->connected = true;
  } else if (GetLastError() != ERROR_IO_PENDING) {
    return nullptr;
  }
  return instance;
}

// True once a client is connected; waits at most one poll. Under Wine a
// connect now and then never completes although the client is connected;
// a peek, which fails while the instance only listens, catches that.
bool PipeListener::WaitConnected(Instance *instance) {
  if (instance->connected) return true;
  if (WaitForSingleObject(instance->overlapped.hEvent, kPollMs) != WAIT_OBJECT_0) {
    DWORD available = 0;
    instance->connected =
        PeekNamedPipe(instance->pipe, nullptr, 0, nullptr, &available, nullptr) != 0;
    return instance->connected;
  }
  DWORD ignored = 0;
  instance->connected = GetOverlappedResult(instance->pipe, &instance->overlapped, &ignored, TRUE);
  return instance->connected;
}

void PipeListener::Run() {
  std::unique_ptr<Instance> pending;
  while (!stop_) {
    if (!enabled_) {
      pending.reset();
      listening_ = false;
      Sleep(kPollMs);
      continue;
    }
    if (!pending && !(pending = CreateInstance())) {
      Sleep(kPollMs);
      continue;
    }
    listening_ = true;
    if (!WaitConnected(pending.get())) {
      if (WaitForSingleObject(pending->overlapped.hEvent, 0) == WAIT_OBJECT_0) pending.reset();
      continue;
    }
    // The handler keeps the instance's connect operation alive until it ends.
    std::shared_ptr<Instance> connected(pending.release());
    pending = CreateInstance();
    RunDetached([this, connected] {
      HANDLE client = connected->pipe;
      connected->pipe = INVALID_HANDLE_VALUE;
      handler_(client);
    });
  }
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

namespace {

// One overlapped read. Under Wine a read issued right after a client
// connects now and then never completes although the client's message
// waits in the pipe; a read pending while a peek sees data is cancelled and
// issued again (the cancelled read took nothing).
enum class ReadResult { kDone, kFailed, kStuck };

ReadResult ReadOnce(HANDLE pipe, std::string *buffer, DWORD *got) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ReadResult result = ReadResult::kFailed;
  BOOL started = ReadFile(pipe, &(*buffer)[0], kBufferSize, nullptr, &overlapped);
  if (started || GetLastError() == ERROR_IO_PENDING) {
    while (WaitForSingleObject(overlapped.hEvent, kPollMs) == WAIT_TIMEOUT) {
      DWORD available = 0;
      if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        CancelIo(pipe);
        result = ReadResult::kStuck;
        break;
      }
    }
    if (GetOverlappedResult(pipe, &overlapped, got, TRUE)) result = ReadResult::kDone;
  }
  CloseHandle(overlapped.hEvent);
  return result;
}

}  // namespace

bool ReadPipe(HANDLE pipe, std::string *message) {
  std::string buffer(kBufferSize, '\0');
  DWORD got = 0;
  ReadResult result;
  while ((result = ReadOnce(pipe, &buffer, &got)) == ReadResult::kStuck) {
  }
  if (result != ReadResult::kDone) return false;
  message->assign(buffer.data(), got);
  return true;
}

}  // namespace vreceiver::process
