// The library's platform port over the virtual receiver, in-process: real
// threads, a settable UTC day, and posted messages handed to a sink.
//
// A thread cannot be ended by force portably. TerminateThread here marks the
// thread ended and abandons it: it keeps waiting where it is (normally a read
// that ignores cancellation, see Receiver::SetCancelIgnored), and the moment
// it comes back into the port it unwinds out of the library code without
// touching the library again. The destructor releases such threads (it turns
// cancellation back on and cancels their reads) and joins every thread.
// Destroy the library before its port.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vreceiver/receiver.h"

namespace vreceiver {

class VirtualPlatform : public mqd7ra::Platform {
 public:
  using MessageSink = std::function<void(mqd7ra::WindowHandle window, uint32_t message,
                                         uintptr_t wParam, intptr_t lParam)>;

  explicit VirtualPlatform(Receiver &receiver);
  ~VirtualPlatform() override;
  VirtualPlatform(const VirtualPlatform &) = delete;
  VirtualPlatform &operator=(const VirtualPlatform &) = delete;

  // 0 (the default) follows the real UTC date.
  void SetUtcDay(uint8_t day);
  // Called on the posting thread for every PostToWindow.
  void SetMessageSink(MessageSink sink);
  // While set, CreateSuspendedThread fails.
  void FailThreadCreation(bool fail);

  uint32_t ThreadsCreated() const;
  uint32_t ThreadsTerminated() const;
  uint32_t InterfaceListsOpen() const;

  bool OpenInterfaceList() override;
  bool InterfacePath(uint32_t index, char *path, size_t capacity) override;
  void CloseInterfaceList() override;

  mqd7ra::DeviceHandle OpenDevice(const char *path) override;
  int32_t CloseDevice(mqd7ra::DeviceHandle handle) override;
  bool GetAttributes(mqd7ra::DeviceHandle handle, mqd7ra::HidAttributes *attributes) override;
  bool GetReportLengths(mqd7ra::DeviceHandle handle, mqd7ra::ReportLengths *lengths) override;
  bool ReadReport(mqd7ra::DeviceHandle handle, uint8_t *buffer, uint32_t length) override;
  bool SetFeature(mqd7ra::DeviceHandle handle, const uint8_t *report, uint32_t length) override;
  bool GetFeature(mqd7ra::DeviceHandle handle, uint8_t *report, uint32_t length) override;

  mqd7ra::ThreadHandle CreateSuspendedThread(mqd7ra::ThreadEntry entry, void *parameter,
                                             uint32_t *threadId) override;
  void ResumeThread(mqd7ra::ThreadHandle thread) override;
  void CancelBlockedRead(mqd7ra::ThreadHandle thread) override;
  bool WaitForThread(mqd7ra::ThreadHandle thread, uint32_t milliseconds) override;
  void TerminateThread(mqd7ra::ThreadHandle thread) override;
  void CloseThread(mqd7ra::ThreadHandle thread) override;
  void SleepMs(uint32_t milliseconds) override;

  uint8_t UtcDayOfMonth() override;
  void PostToWindow(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override;

  struct Thread;

 private:
  Thread *Find(mqd7ra::ThreadHandle thread);
  void Run(Thread *thread);

  Receiver &receiver_;

  mutable std::mutex mutex_;
  std::condition_variable threadChanged_;
  std::map<mqd7ra::ThreadHandle, std::unique_ptr<Thread>> threads_;
  mqd7ra::ThreadHandle nextThread_ = 1;
  uint32_t threadsCreated_ = 0;
  uint32_t threadsTerminated_ = 0;
  uint8_t utcDay_ = 0;
  bool failThreadCreation_ = false;
  std::vector<InterfaceInfo> list_;
  uint32_t listsOpen_ = 0;

  std::mutex sinkMutex_;
  MessageSink sink_;
};

}  // namespace vreceiver
