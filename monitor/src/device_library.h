// The device library as the monitor calls it: "MQD7RA.dll", loaded only when
// asked, never unloaded; each export looked up right before its call. A call
// whose export is missing (or whose library is not loaded) is skipped and
// yields no result.
#pragma once

#include <cstdint>
#include <optional>

#include "library_binding.h"
#include "mqd7ra.h"

namespace tarvex {

constexpr char kDeviceLibraryFile[] = "MQD7RA.dll";

using CallResult = std::optional<int32_t>;

class DeviceLibrary {
 public:
  explicit DeviceLibrary(LibraryBinding &binding) : binding_(binding) {}

  bool IsLoaded() const { return binding_.IsLoaded(); }
  bool Load() { return binding_.Load(kDeviceLibraryFile); }

  CallResult Xinit();
  CallResult XOpen(void *window);
  CallResult XClose();
  CallResult XGetInput(uint32_t *values, uint8_t *status);
  CallResult XSendOutput(const uint8_t *payload, uint8_t *length);
  CallResult XWritDev(const uint8_t *bytes, const uint8_t *count);
  CallResult GetDeviceData(uint8_t *buffer, uint8_t kind);

 private:
  template <typename Fn, typename... Args>
  CallResult Call(const char *name, Args... args) {
    if (!binding_.IsLoaded()) return std::nullopt;
    ExportAddress address = binding_.Lookup(name);
    if (address == nullptr) return std::nullopt;
    return reinterpret_cast<Fn>(address)(args...);
  }

  LibraryBinding &binding_;
};

}  // namespace tarvex
