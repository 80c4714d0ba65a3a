// The library's platform port over the virtual receiver, in-process: real
// threads, a settable UTC day, and posted messages handed to a sink.
//
// It applies what Windows' kernel and HID class driver do between a program
// and the device, at least as strictly:
//  - handle values are multiples of 4, the lowest free one first, so a closed
//    value is handed out again at once;
//  - closing a handle waits while a synchronous read is pending on it (here
//    bounded, see SetCloseWaitLimit, and counted);
//  - a cancel reaches only a read already pending; one that comes before the
//    read has begun is lost;
//  - a feature buffer shorter than the interface's feature report length is
//    refused (ERROR_INVALID_PARAMETER), a longer one is cut to that length;
//    a read buffer shorter than the input report length is refused.
// The receiver model behind it sees only what gets through.
//
// A thread cannot be ended by force portably. TerminateThread here marks the
// thread ended and ends its pending read, and the moment the thread comes
// back into the port it unwinds out of the library code. Like Windows'
// TerminateThread this is asynchronous: until then the thread may still run
// library code, so a caller waits for it (WaitForThread) before going on.
// The destructor joins every thread. Destroy the library before its port.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vreceiver/receiver.h"

namespace testsupport {

using vreceiver::InterfaceInfo;
using vreceiver::Receiver;

// What the port saw that a program must not do, or that the class driver
// turned away.
struct IoCounters {
  uint32_t closesThatWaited = 0;    // a read was pending on the handle
  uint32_t closesTimedOut = 0;      // ... and did not end within the limit
  uint32_t invalidCloses = 0;       // a value not open (closed twice, or never opened)
  uint32_t strayReads = 0;          // reads of any interface but the receiver's input one
  uint32_t refusedFeatureBuffers = 0;
  uint32_t openHandles = 0;         // every interface, foreign ones included
};

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

  // How long a close waits for a pending read before it goes ahead anyway
  // (Windows waits for ever). Default 3000 ms.
  void SetCloseWaitLimit(uint32_t milliseconds);
  // While set, a thread that starts a read stops before the read begins (a
  // cancel cannot reach it there) until it is cleared.
  void HoldReads(bool hold);
  uint32_t HeldReads() const;
  IoCounters Counters() const;

  // Sleeps and thread waits take 1/factor of their time (the checks that
  // run many steps); the close wait limit is not scaled.
  void SpeedUpTime(uint32_t factor);
  // Threads started and neither returned nor ended by force.
  uint32_t RunningThreads() const;

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
  mqd7ra::ReadResult ReadReport(mqd7ra::DeviceHandle handle, uint8_t *buffer,
                                uint32_t length) override;
  bool SetFeature(mqd7ra::DeviceHandle handle, const uint8_t *report, uint32_t length) override;
  bool GetFeature(mqd7ra::DeviceHandle handle, uint8_t *report, uint32_t length) override;

  mqd7ra::ThreadHandle CreateSuspendedThread(mqd7ra::ThreadEntry entry, void *parameter,
                                             uint32_t *threadId) override;
  void ResumeThread(mqd7ra::ThreadHandle thread) override;
  bool CancelBlockedRead(mqd7ra::ThreadHandle thread) override;
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
  // The model's handle behind a value, or 0 when the value is not open.
  int32_t ModelHandleLocked(mqd7ra::DeviceHandle handle) const;
  int32_t ModelHandle(mqd7ra::DeviceHandle handle) const;
  bool ReadPendingOnLocked(mqd7ra::DeviceHandle handle) const;
  uint64_t BeginReadLocked(Thread *thread, mqd7ra::DeviceHandle handle);
  // The interface's feature report length, or 0 when it has none or is gone.
  uint16_t FeatureLength(int32_t model) const;
  uint16_t FeatureBufferAccepted(int32_t model, uint32_t length);
  void ReachRead(mqd7ra::ThreadHandle thread, uint64_t token, bool (Receiver::*reach)(uint64_t));
  std::chrono::microseconds Scaled(uint32_t milliseconds) const;

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

  struct OpenHandle {
    int32_t model = 0;
    bool receiverInput = false;  // the receiver's input interface
  };
  std::map<mqd7ra::DeviceHandle, OpenHandle> handles_;
  uint64_t nextReadToken_ = 1;
  uint32_t closeWaitLimitMs_ = 3000;
  uint32_t timeFactor_ = 1;
  bool holdReads_ = false;
  uint32_t heldReads_ = 0;
  IoCounters counters_;

  std::mutex sinkMutex_;
  MessageSink sink_;
};

}  // namespace testsupport
