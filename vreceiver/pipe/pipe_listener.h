// Keeps one instance of a named pipe listening while it is enabled and
// hands every connected instance to a handler on a thread of its own. The
// next instance is created before the connected one is handed on, so a
// client never finds the name missing between two connections.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vreceiver::process {

class PipeListener {
 public:
  // The handler owns the pipe and closes it.
  using Handler = std::function<void(HANDLE pipe)>;

  PipeListener(std::string name, Handler handler);
  ~PipeListener();
  PipeListener(const PipeListener &) = delete;
  PipeListener &operator=(const PipeListener &) = delete;

  // Listening or not; takes effect within one poll (20 ms).
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  // True once the state asked for by SetEnabled holds.
  bool Settled() const { return listening_ == enabled_; }

 private:
  struct Instance;
  void Run();
  std::unique_ptr<Instance> CreateInstance();
  static bool WaitConnected(Instance *instance);

  std::string name_;
  Handler handler_;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> listening_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Overlapped helpers for pipes opened with FILE_FLAG_OVERLAPPED.
bool WritePipe(HANDLE pipe, const void *data, DWORD length);
// Reads one message; false when the client has gone.
bool ReadPipe(HANDLE pipe, std::string *message);

}  // namespace vreceiver::process
