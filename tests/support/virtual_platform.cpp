#include "virtual_platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

namespace testsupport {

namespace {
constexpr auto kWaitPollStep = std::chrono::milliseconds(1);
}

using mqd7ra::DeviceHandle;
using mqd7ra::ThreadHandle;

VirtualPlatform::VirtualPlatform(Receiver &receiver) : receiver_(receiver) {}

// Every read ends and every sleep with it, so that the threads (readers
// ended by force and left in a read among them) can be joined.
VirtualPlatform::~VirtualPlatform() {
  hid_.Shutdown();
  threads_.Release();
  threads_.JoinAll();
}

bool VirtualPlatform::WaitUntil(const std::function<bool()> &pred, uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    uint64_t seen = 0;
    {
      std::lock_guard<std::mutex> lock(host_.mutex);
      seen = host_.changes;
    }
    if (pred()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::unique_lock<std::mutex> lock(host_.mutex);
    host_.changed.wait_until(lock, std::min(deadline, now + kWaitPollStep),
                             [&] { return host_.changes != seen; });
  }
}

void VirtualPlatform::SetUtcDay(uint8_t day) {
  std::lock_guard<std::mutex> lock(listMutex_);
  utcDay_ = day;
}

uint32_t VirtualPlatform::InterfaceListsOpen() const {
  std::lock_guard<std::mutex> lock(listMutex_);
  return listsOpen_;
}

uint32_t VirtualPlatform::InterfaceListsMade() const {
  std::lock_guard<std::mutex> lock(listMutex_);
  return listsMade_;
}

void VirtualPlatform::SetInterfaceListHook(std::function<void(uint32_t)> hook) {
  std::lock_guard<std::mutex> lock(listMutex_);
  listHook_ = std::move(hook);
}

void VirtualPlatform::SetUnreadableDetail(const std::string &part) {
  std::lock_guard<std::mutex> lock(listMutex_);
  unreadablePart_ = part;
}

void VirtualPlatform::FailListingAt(int32_t index) {
  std::lock_guard<std::mutex> lock(listMutex_);
  failListingAt_ = index;
}

bool VirtualPlatform::OpenInterfaceList() {
  std::function<void(uint32_t)> hook;
  uint32_t made = 0;
  {
    std::lock_guard<std::mutex> lock(listMutex_);
    hook = listHook_;
    made = ++listsMade_;
  }
  if (hook) hook(made);
  std::vector<InterfaceInfo> list = receiver_.ListInterfaces();
  std::lock_guard<std::mutex> lock(listMutex_);
  list_ = std::move(list);
  ++listsOpen_;
  return true;
}

mqd7ra::ListEntry VirtualPlatform::InterfacePath(uint32_t index, char *path, size_t capacity) {
  std::lock_guard<std::mutex> lock(listMutex_);
  if (failListingAt_ >= 0 && index >= static_cast<uint32_t>(failListingAt_)) {
    return mqd7ra::ListEntry::kFailed;
  }
  if (index >= list_.size()) return mqd7ra::ListEntry::kEnd;
  const std::string &listed = list_[index].path;
  const bool hidden = !unreadablePart_.empty() && listed.find(unreadablePart_) != std::string::npos;
  if (hidden || listed.size() >= capacity) return mqd7ra::ListEntry::kUnreadable;
  std::memcpy(path, list_[index].path.c_str(), list_[index].path.size() + 1);
  return mqd7ra::ListEntry::kPath;
}

void VirtualPlatform::CloseInterfaceList() {
  std::lock_guard<std::mutex> lock(listMutex_);
  list_.clear();
  if (listsOpen_ > 0) --listsOpen_;
}

DeviceHandle VirtualPlatform::OpenDevice(const char *path) { return hid_.Open(path); }

int32_t VirtualPlatform::CloseDevice(DeviceHandle handle) { return hid_.Close(handle); }

bool VirtualPlatform::GetAttributes(DeviceHandle handle, mqd7ra::HidAttributes *attributes) {
  return hid_.Attributes(handle, attributes);
}

bool VirtualPlatform::GetReportLengths(DeviceHandle handle, mqd7ra::ReportLengths *lengths) {
  return hid_.Lengths(handle, lengths);
}

mqd7ra::ReadResult VirtualPlatform::ReadReport(DeviceHandle handle, uint8_t *buffer,
                                               uint32_t length) {
  return hid_.Read(handle, buffer, length);
}

bool VirtualPlatform::SetInputRingSize(DeviceHandle handle, uint32_t reports) {
  return hid_.SetRingSize(handle, reports);
}

bool VirtualPlatform::SetFeature(DeviceHandle handle, const uint8_t *report, uint32_t length) {
  return hid_.SetFeature(handle, report, length);
}

bool VirtualPlatform::GetFeature(DeviceHandle handle, uint8_t *report, uint32_t length) {
  return hid_.GetFeature(handle, report, length);
}

ThreadHandle VirtualPlatform::CreateSuspendedThread(mqd7ra::ThreadEntry entry, void *parameter,
                                                    uint32_t *threadId) {
  return threads_.Create(entry, parameter, threadId);
}

void VirtualPlatform::ResumeThread(ThreadHandle thread) { threads_.Resume(thread); }

bool VirtualPlatform::CancelBlockedRead(ThreadHandle thread) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  const VirtualThreads::Thread *t = threads_.FindLocked(thread);
  return t != nullptr && hid_.CancelReadOfLocked(t);
}

bool VirtualPlatform::WaitForThread(ThreadHandle thread, uint32_t milliseconds) {
  return threads_.Wait(thread, milliseconds);
}

// As the kernel ends a thread: its pending read is cancelled, and a read that
// ignores the cancel keeps the thread until it completes.
void VirtualPlatform::TerminateThread(ThreadHandle thread) {
  std::lock_guard<std::mutex> lock(host_.mutex);
  VirtualThreads::Thread *t = threads_.FindLocked(thread);
  if (threads_.TerminateLocked(t)) hid_.CancelReadOfLocked(t);
}

void VirtualPlatform::CloseThread(ThreadHandle thread) { threads_.Close(thread); }

void VirtualPlatform::SleepMs(uint32_t milliseconds) { threads_.Sleep(milliseconds); }

bool VirtualPlatform::SleepUntilWoken(uint32_t milliseconds) {
  return threads_.SleepUntilWoken(milliseconds);
}

void VirtualPlatform::Wake() { threads_.Wake(); }

uint8_t VirtualPlatform::UtcDayOfMonth() {
  {
    std::lock_guard<std::mutex> lock(listMutex_);
    if (utcDay_ != 0) return utcDay_;
  }
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return static_cast<uint8_t>(utc.tm_mday);
}

void VirtualPlatform::PostToWindow(mqd7ra::WindowHandle window, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam) {
  VirtualThreads::EndIfTerminated();
  messages_.Post(window, message, wParam, lParam);
}

}  // namespace testsupport
