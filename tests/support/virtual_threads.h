// Threads as Windows' kernel gives them to the library: created suspended,
// resumed, waited for, ended by force; sleeps, and the one wake event the
// reader sleeps on.
//
// A thread cannot be ended by force portably. Terminate here marks the
// thread ended, and the moment it comes back into the port it unwinds out of
// the library code (ThreadEnded, which no library code catches: it is no
// std::exception). Like Windows' TerminateThread this is asynchronous: a
// thread ended in a read stays in that read until the read completes (the
// HID class driver decides when), and until it is back in the port it may
// still run library code, so a caller waits for it before going on.
// A thread ended by force anywhere but in a read is counted: the library
// must never do that (see TerminatedOutsideRead).
// Any other exception ends a thread quietly, as the Win32 port's thread
// start does.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <thread>

#include "host_lock.h"
#include "platform/platform.h"

namespace testsupport {

class VirtualThreads {
 public:
  struct Thread {
    uint32_t id = 0;
    mqd7ra::ThreadEntry entry = nullptr;
    void *parameter = nullptr;
    bool resumed = false;
    bool finished = false;
    std::atomic<bool> terminated{false};
    bool started = false;  // reached its start routine
    // Its end by force took effect in a read of the HID class driver, where
    // it meets no lock of the thread's own process.
    std::atomic<bool> endedInRead{false};
    std::thread thread;
  };

  explicit VirtualThreads(HostLock &host);
  ~VirtualThreads() { JoinAll(); }
  VirtualThreads(const VirtualThreads &) = delete;
  VirtualThreads &operator=(const VirtualThreads &) = delete;

  // 0 when creation is made to fail.
  mqd7ra::ThreadHandle Create(mqd7ra::ThreadEntry entry, void *parameter, uint32_t *threadId);
  void Resume(mqd7ra::ThreadHandle thread);
  // True once the thread has ended (a handle never made counts as ended).
  bool Wait(mqd7ra::ThreadHandle thread, uint32_t milliseconds);
  // Joins a thread that has ended; one still running is joined at the end.
  void Close(mqd7ra::ThreadHandle thread);

  // With the host lock held.
  Thread *FindLocked(mqd7ra::ThreadHandle thread);
  // Marks the thread ended by force; false when it had already ended.
  bool TerminateLocked(Thread *thread);

  // The calling thread, or null for a thread the port did not start.
  static Thread *Current();
  // Unwinds a thread ended by force out of the library code.
  static void EndIfTerminated();
  // The same, from inside a read.
  static void EndIfTerminatedInRead();

  void Sleep(uint32_t milliseconds);
  // An auto-reset event: a wake with no sleeper ends the next sleep at once.
  bool SleepUntilWoken(uint32_t milliseconds);
  void Wake();
  // Ends every sleep for good (teardown).
  void Release();
  // Waits for every thread to end and joins it: Release() first, and end
  // their reads.
  void JoinAll();

  void FailCreation(bool fail);
  // While set, a resumed thread does not reach its start routine: it is held
  // as behind the loader lock while another thread's DllMain runs.
  void HoldStarts(bool hold);
  // Threads ended by force anywhere but in a read: on Windows such a thread
  // may die holding a lock (the loader lock, the heap's), and every later
  // taker of that lock hangs.
  uint32_t TerminatedOutsideRead() const;
  // Sleeps and waits take 1/factor of their time (the checks that run many
  // steps); a wait for a thread ended by force runs in real time.
  void SpeedUp(uint32_t factor);
  // While set, sleeps do not end by time (a wake still ends SleepUntilWoken):
  // what happens "before the 100 ms are up" is then a matter of order alone.
  void StopClock(bool stopped);

  // Threads started and neither returned nor ended by force.
  uint32_t Running() const;
  // Threads started and not yet gone, those ended by force included.
  uint32_t Alive() const;
  uint32_t Created() const;
  uint32_t Terminated() const;

 private:
  void Run(Thread *thread);
  std::chrono::microseconds ScaledLocked(uint32_t milliseconds) const;
  // Sleeps with the lock held; true when a wake ended it (if wakeable).
  bool SleepLocked(std::unique_lock<std::mutex> &lock, uint32_t milliseconds, bool wakeable);

  HostLock &host_;
  std::map<mqd7ra::ThreadHandle, std::unique_ptr<Thread>> threads_;
  mqd7ra::ThreadHandle nextHandle_ = 1;
  uint32_t created_ = 0;
  uint32_t terminated_ = 0;
  bool failCreation_ = false;
  bool holdStarts_ = false;
  uint32_t terminatedOutsideRead_ = 0;
  uint32_t timeFactor_ = 1;
  bool clockStopped_ = false;
  bool wakePending_ = false;
  bool released_ = false;
};

}  // namespace testsupport
