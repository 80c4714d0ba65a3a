// The library's platform port over the virtual receiver, in-process: what
// hid.dll, hidclass.sys and the kernel are to the library on Windows, at
// least as strict as they are. Its parts:
//  - threads (virtual_threads.h): created suspended, ended by force, sleeps
//    and the reader's wake event;
//  - the HID class driver (virtual_hid_class.h): handles, one report ring per
//    handle, synchronous reads and their cancels, the feature buffer rules;
//  - the window's posted-message queue (posted_queue.h), with its limit;
//  - here: the interface list, the UTC day.
// The receiver model behind it is only the device. Destroy the library
// before its port; the port's end ends every read and joins every thread.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "host_lock.h"
#include "platform/platform.h"
#include "posted_queue.h"
#include "virtual_hid_class.h"
#include "virtual_threads.h"
#include "vreceiver/receiver.h"

namespace testsupport {

using pendant::InterfaceInfo;
using vreceiver::Receiver;

class VirtualPlatform : public mqd7ra::Platform {
 public:
  using MessageSink = PostedQueue::Sink;

  explicit VirtualPlatform(Receiver &receiver);
  ~VirtualPlatform() override;
  VirtualPlatform(const VirtualPlatform &) = delete;
  VirtualPlatform &operator=(const VirtualPlatform &) = delete;

  VirtualThreads &threads() { return threads_; }
  const VirtualThreads &threads() const { return threads_; }
  VirtualHidClass &hid() { return hid_; }
  const VirtualHidClass &hid() const { return hid_; }
  PostedQueue &messages() { return messages_; }

  // 0 (the default) follows the real UTC date.
  void SetUtcDay(uint8_t day);
  void SetMessageSink(MessageSink sink) { messages_.SetSink(std::move(sink)); }
  IoCounters Counters() const { return hid_.Counters(); }
  uint32_t InterfaceListsOpen() const;
  uint32_t InterfaceListsMade() const;
  // Waits until pred() holds or the time is up. pred runs without the host's
  // lock and again after every change of the host or of the device (the HID
  // class driver's bus passes those on), and at least every millisecond.
  bool WaitUntil(const std::function<bool()> &pred, uint32_t timeoutMs);
  // Called with the count of lists made so far as each list is made, before
  // it is read: the machine can change between two scans of one XOpen.
  void SetInterfaceListHook(std::function<void(uint32_t listsMade)> hook);
  // The detail (the path) of listed interfaces whose path contains `part`
  // cannot be read, as for an interface in the middle of a Plug and Play
  // change; empty for none.
  void SetUnreadableDetail(const std::string &part);
  // The listing fails at this index (its enumeration errs, as when the
  // list changes under it); -1 for never.
  void FailListingAt(int32_t index);

  bool OpenInterfaceList() override;
  mqd7ra::ListEntry InterfacePath(uint32_t index, char *path, size_t capacity) override;
  void CloseInterfaceList() override;

  mqd7ra::DeviceHandle OpenDevice(const char *path) override;
  int32_t CloseDevice(mqd7ra::DeviceHandle handle) override;
  bool GetAttributes(mqd7ra::DeviceHandle handle, mqd7ra::HidAttributes *attributes) override;
  bool GetReportLengths(mqd7ra::DeviceHandle handle, mqd7ra::ReportLengths *lengths) override;
  mqd7ra::ReadResult ReadReport(mqd7ra::DeviceHandle handle, uint8_t *buffer,
                                uint32_t length) override;
  bool SetInputRingSize(mqd7ra::DeviceHandle handle, uint32_t reports) override;
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
  bool SleepUntilWoken(uint32_t milliseconds) override;
  void Wake() override;

  uint8_t UtcDayOfMonth() override;
  void PostToWindow(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override;

 private:
  Receiver &receiver_;
  HostLock host_;
  VirtualThreads threads_{host_};
  VirtualHidClass hid_{host_, receiver_};
  PostedQueue messages_;

  mutable std::mutex listMutex_;
  std::vector<InterfaceInfo> list_;
  uint32_t listsOpen_ = 0;
  uint32_t listsMade_ = 0;
  std::function<void(uint32_t)> listHook_;
  std::string unreadablePart_;
  int32_t failListingAt_ = -1;
  uint8_t utcDay_ = 0;
};

}  // namespace testsupport
