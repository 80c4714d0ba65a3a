// Windows' HID class driver between programs and the receiver model, at
// least as strict as Windows:
//  - handle values are multiples of 4, the lowest free one first, so a closed
//    value is handed out again at once;
//  - every open handle of the receiver's input interface gets its own copy
//    of each input report the device sends, in a ring of 32 that drops the
//    oldest (2 to 512 on request); nothing is kept for a handle opened later,
//    and a report sent while no handle is open is gone;
//  - a handle opened for synchronous I/O serializes its I/O: a close, or any
//    request, meeting a read pending on the handle waits for that read (here
//    bounded, see SetCloseWaitLimit, and counted);
//  - a cancel reaches only a read already pending (one that comes before the
//    read has begun is lost), and it completes in its own time after the
//    canceller has gone on: at once (when the reading thread next runs),
//    when released (kHeld), or never (kIgnored: only a report, or the
//    interface going away, ends that read); a thread ended by force cancels
//    its read the same way, so with kIgnored it stays in that read;
//  - a feature buffer shorter than the interface's feature report length is
//    refused (ERROR_INVALID_PARAMETER), a longer one is cut to that length;
//    a read buffer shorter than the input report length is refused;
//  - once its interface has gone away a handle fails every request.
// A bus thread takes each report the device sends (the model's interrupt
// endpoint) and copies it into the rings, as hidclass's own reads of the
// device do.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <thread>

#include "host_lock.h"
#include "platform/platform.h"
#include "report_ring.h"
#include "virtual_threads.h"
#include "vreceiver/receiver.h"

namespace testsupport {

// What the driver saw that a program must not do, or turned away.
struct IoCounters {
  uint32_t closesThatWaited = 0;    // a read was pending on the handle
  uint32_t requestsThatWaited = 0;  // another request on a handle with a read pending
  uint32_t waitsTimedOut = 0;       // ... and the read did not end within the limit
  uint32_t invalidCloses = 0;       // a value not open (closed twice, or never opened)
  uint32_t strayReads = 0;          // reads of any interface but the receiver's input one
  uint32_t refusedFeatureBuffers = 0;
  uint32_t reportsDropped = 0;  // overwritten in a full ring
  uint32_t openHandles = 0;     // every interface, foreign ones included
};

// When a cancel of a pending read takes effect.
enum class CancelMode { kPrompt, kHeld, kIgnored };

class VirtualHidClass {
 public:
  VirtualHidClass(HostLock &host, vreceiver::Receiver &receiver);
  ~VirtualHidClass();
  VirtualHidClass(const VirtualHidClass &) = delete;
  VirtualHidClass &operator=(const VirtualHidClass &) = delete;

  mqd7ra::DeviceHandle Open(const char *path);
  int32_t Close(mqd7ra::DeviceHandle handle);
  bool Attributes(mqd7ra::DeviceHandle handle, mqd7ra::HidAttributes *attributes);
  bool Lengths(mqd7ra::DeviceHandle handle, mqd7ra::ReportLengths *lengths);
  bool SetRingSize(mqd7ra::DeviceHandle handle, uint32_t count);
  mqd7ra::ReadResult Read(mqd7ra::DeviceHandle handle, uint8_t *buffer, uint32_t length);
  bool SetFeature(mqd7ra::DeviceHandle handle, const uint8_t *report, uint32_t length);
  bool GetFeature(mqd7ra::DeviceHandle handle, uint8_t *report, uint32_t length);

  // With the host lock held: a cancel reaching the read pending on the
  // thread (CancelSynchronousIo, or the thread's end by force). False when
  // none is pending.
  bool CancelReadOfLocked(const VirtualThreads::Thread *thread);
  // Ends every read, now and later, as failed (teardown).
  void Shutdown();

  void SetCancelMode(CancelMode mode);
  // Cancels held so far take effect.
  void ReleaseHeldCancels();
  // While set, a thread that starts a read stops before the read begins (a
  // cancel cannot reach it there) until it is cleared.
  void HoldReads(bool hold);
  uint32_t HeldReads() const;
  uint32_t PendingReads() const;
  // How long a close or request waits for a pending read before it goes
  // ahead anyway (Windows waits for ever). Default 3000 ms.
  void SetCloseWaitLimit(uint32_t milliseconds);
  // A stack whose every read fails at once with ERROR_OPERATION_ABORTED,
  // though nobody cancelled it.
  void FailReadsWithAbort(bool fail);
  // The next read throws a std::system_error before it begins: a stand-in
  // for anything in the reader's path that throws.
  void ThrowFromNextRead();
  IoCounters Counters() const;

 private:
  struct OpenHandle;
  struct PendingRead;
  static constexpr size_t kMaxPendingReads = 16;

  // With the host lock held.
  OpenHandle *FindLocked(mqd7ra::DeviceHandle handle, uint64_t serial = 0);
  void WaitIdleLocked(std::unique_lock<std::mutex> &lock, mqd7ra::DeviceHandle handle,
                      uint32_t *counter);
  bool LiveLocked(const OpenHandle &open) const;
  bool RegisterLocked(PendingRead *read);
  void UnregisterLocked(PendingRead *read);
  mqd7ra::ReadResult WaitForReportLocked(std::unique_lock<std::mutex> &lock, PendingRead *read,
                                         uint8_t *buffer, uint32_t length);
  OpenHandle *RequestLocked(std::unique_lock<std::mutex> &lock, mqd7ra::DeviceHandle handle);
  int32_t FeatureTarget(mqd7ra::DeviceHandle handle, uint32_t length, uint16_t *accepted);
  void Bus();
  void Deliver(const pendant::Report &report);

  HostLock &host_;
  vreceiver::Receiver &receiver_;
  std::map<mqd7ra::DeviceHandle, std::unique_ptr<OpenHandle>> handles_;
  uint64_t nextSerial_ = 1;
  std::array<PendingRead *, kMaxPendingReads> pending_{};
  CancelMode cancelMode_ = CancelMode::kPrompt;
  bool holdReads_ = false;
  uint32_t heldReads_ = 0;
  uint32_t closeWaitLimitMs_ = 3000;
  bool failWithAbort_ = false;
  bool throwNextRead_ = false;
  bool shutdown_ = false;
  IoCounters counters_;
  std::atomic<bool> stopping_{false};
  std::thread bus_;
};

}  // namespace testsupport
