#include "threads.h"

#include <windows.h>

#include <memory>

namespace vreceiver::process {

namespace {

DWORD WINAPI RunWork(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()> *>(parameter));
  (*work)();
  return 0;
}

}  // namespace

void RunDetached(std::function<void()> work) {
  auto *owned = new std::function<void()>(std::move(work));
  HANDLE thread = CreateThread(nullptr, 0, RunWork, owned, 0, nullptr);
  if (thread) {
    CloseHandle(thread);
  } else {
    delete owned;
  }
}

}  // namespace vreceiver::process
