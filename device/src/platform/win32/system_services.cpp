// The reader thread, sleeping and waking, the UTC date and posted messages on
// Windows.
#include <new>

#include "platform/win32/win32_platform.h"

namespace mqd7ra {

namespace {

HANDLE AsHandle(ThreadHandle thread) { return reinterpret_cast<HANDLE>(thread); }

struct ThreadStart {
  ThreadEntry entry;
  void *parameter;
};

// No C++ exception leaves the thread: one would end the process.
DWORD WINAPI RunThread(LPVOID start) {
  const ThreadStart s = *static_cast<ThreadStart *>(start);
  delete static_cast<ThreadStart *>(start);
  try {
    return s.entry(s.parameter);
  } catch (...) {
    return 0;
  }
}

// Keeps this module loaded until the process ends, so that a caller's
// FreeLibrary can never unmap the code a reader thread runs. The pin covers a
// reader ended by force too, which a reference released as the thread
// returns (FreeLibraryAndExitThread) would not.
void PinThisModule() {
  static const bool pinned = [] {
    HMODULE self = nullptr;
    return GetModuleHandleExW(
               GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
               reinterpret_cast<LPCWSTR>(&RunThread), &self) != FALSE;
  }();
  (void)pinned;
}

}  // namespace

Win32Platform::Win32Platform() : wake_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

Win32Platform::~Win32Platform() {
  if (wake_ != nullptr) CloseHandle(wake_);
}

ThreadHandle Win32Platform::CreateSuspendedThread(ThreadEntry entry, void *parameter,
                                                  uint32_t *threadId) {
  PinThisModule();
  auto *start = new (std::nothrow) ThreadStart{entry, parameter};
  if (start == nullptr) return 0;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &RunThread, start, CREATE_SUSPENDED, &id);
  if (thread == nullptr) {
    delete start;
    return 0;
  }
  *threadId = id;
  return reinterpret_cast<ThreadHandle>(thread);
}

void Win32Platform::ResumeThread(ThreadHandle thread) { ::ResumeThread(AsHandle(thread)); }

bool Win32Platform::CancelBlockedRead(ThreadHandle thread) {
  return CancelSynchronousIo(AsHandle(thread)) != FALSE;
}

bool Win32Platform::WaitForThread(ThreadHandle thread, uint32_t milliseconds) {
  return WaitForSingleObject(AsHandle(thread), milliseconds) == WAIT_OBJECT_0;
}

void Win32Platform::TerminateThread(ThreadHandle thread) { ::TerminateThread(AsHandle(thread), 0); }

void Win32Platform::CloseThread(ThreadHandle thread) { CloseHandle(AsHandle(thread)); }

void Win32Platform::SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

bool Win32Platform::SleepUntilWoken(uint32_t milliseconds) {
  if (wake_ == nullptr) {
    Sleep(milliseconds);
    return false;
  }
  return WaitForSingleObject(wake_, milliseconds) == WAIT_OBJECT_0;
}

void Win32Platform::Wake() {
  if (wake_ != nullptr) SetEvent(wake_);
}

uint8_t Win32Platform::UtcDayOfMonth() {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  return static_cast<uint8_t>(now.wDay & 0xFF);
}

void Win32Platform::PostToWindow(WindowHandle window, uint32_t message, uintptr_t wParam,
                                 intptr_t lParam) {
  PostMessageA(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
               static_cast<LPARAM>(lParam));
}

}  // namespace mqd7ra
