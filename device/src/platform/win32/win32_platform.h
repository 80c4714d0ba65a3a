// The platform port on Windows: SetupAPI and hid.dll for the receiver,
// kernel services for handles, the reader thread and time, PostMessageA for
// the caller's window.
#pragma once

#include <windows.h>
// after windows.h
#include <setupapi.h>

#include "platform/platform.h"

namespace mqd7ra {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform &) = delete;
  Win32Platform &operator=(const Win32Platform &) = delete;

  bool OpenInterfaceList() override;
  ListEntry InterfacePath(uint32_t index, char *path, size_t capacity) override;
  void CloseInterfaceList() override;

  DeviceHandle OpenDevice(const char *path) override;
  int32_t CloseDevice(DeviceHandle handle) override;
  bool GetAttributes(DeviceHandle handle, HidAttributes *attributes) override;
  bool GetReportLengths(DeviceHandle handle, ReportLengths *lengths) override;
  ReadResult ReadReport(DeviceHandle handle, uint8_t *buffer, uint32_t length) override;
  bool SetInputRingSize(DeviceHandle handle, uint32_t reports) override;
  bool SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) override;
  bool GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) override;

  ThreadHandle CreateSuspendedThread(ThreadEntry entry, void *parameter,
                                     uint32_t *threadId) override;
  void ResumeThread(ThreadHandle thread) override;
  bool CancelBlockedRead(ThreadHandle thread) override;
  bool WaitForThread(ThreadHandle thread, uint32_t milliseconds) override;
  void TerminateThread(ThreadHandle thread) override;
  void CloseThread(ThreadHandle thread) override;
  void SleepMs(uint32_t milliseconds) override;
  bool SleepUntilWoken(uint32_t milliseconds) override;
  void Wake() override;

  uint8_t UtcDayOfMonth() override;
  void PostToWindow(WindowHandle window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override;

 private:
  static constexpr DWORD kDetailBufferSize = 1024;

  // The reader's wake event (auto-reset); without one, sleeps are plain.
  HANDLE wake_ = nullptr;
  GUID hidClass_ = {};
  HDEVINFO interfaceList_ = INVALID_HANDLE_VALUE;
  // SP_DEVICE_INTERFACE_DETAIL_DATA_A with room for the path.
  alignas(8) unsigned char detail_[kDetailBufferSize] = {};
};

}  // namespace mqd7ra
