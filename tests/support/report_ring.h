// One handle's queue of input reports in the HID class driver: a ring that
// holds up to its capacity (32 unless the program asks for another number,
// 2 to 512, with HidD_SetNumInputBuffers) and drops the oldest report when a
// new one finds it full. Nothing is allocated after construction.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "vreceiver/receiver.h"

namespace testsupport {

class ReportRing {
 public:
  static constexpr uint32_t kDefaultCapacity = 32;
  static constexpr uint32_t kMinCapacity = 2;
  static constexpr uint32_t kMaxCapacity = 512;

  // False, and nothing changed, for a capacity out of range. A smaller ring
  // keeps the newest reports.
  bool SetCapacity(uint32_t capacity) {
    if (capacity < kMinCapacity || capacity > kMaxCapacity) return false;
    capacity_ = capacity;
    while (size_ > capacity_) DropOldest();
    return true;
  }
  uint32_t Capacity() const { return capacity_; }
  uint32_t Size() const { return size_; }

  // True when the oldest report had to make room.
  bool Push(const pendant::Report &report) {
    const bool full = size_ == capacity_;
    if (full) DropOldest();
    slots_[(head_ + size_) % kMaxCapacity] = report;
    ++size_;
    return full;
  }

  // The oldest report into buffer (as much of it as fits); false when empty.
  bool Pop(uint8_t *buffer, uint32_t length) {
    if (size_ == 0) return false;
    const pendant::Report &report = slots_[head_];
    std::memcpy(buffer, report.data(), std::min<size_t>(length, report.size()));
    DropOldest();
    return true;
  }

 private:
  void DropOldest() {
    head_ = (head_ + 1) % kMaxCapacity;
    --size_;
  }

  std::array<pendant::Report, kMaxCapacity> slots_{};
  uint32_t capacity_ = kDefaultCapacity;
  uint32_t head_ = 0;
  uint32_t size_ = 0;
};

}  // namespace testsupport
