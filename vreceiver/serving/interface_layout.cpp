#include "interface_layout.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "gbk_text.h"
#include "hid_interfaces.h"

namespace vreceiver::process {

namespace {

// Plug and Play installs a device seen for the first time in the prefix;
// on a loaded machine a dozen of those take several seconds.
constexpr uint32_t kListWaitMs = 60000;
constexpr DWORD kListPollMs = 5;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A UTF-8 text as a string descriptor's UTF-16 (the commands keep texts
// within its length; a longer one is cut).
template <size_t N>
void CopyString(const std::string &text, unsigned short (&to)[N]) {
  const std::wstring wide = gbk::Utf8ToWide(text);
  const size_t count = std::min(wide.size(), N - 1);
  std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(count), to);
  to[count] = 0;
}

static_assert(TARVEXVR_STRING_CHARS == pendant::kStringDescriptorChars + 1,
              "the driver's strings hold the model's longest and a terminator");

tarvexvr_identity DeviceIdentityOf(const InterfaceInfo &info) {
  tarvexvr_identity identity = {};
  std::snprintf(identity.instance, sizeof identity.instance, "%s",
                InterfaceInstance(info.path).c_str());
  identity.release = info.identity.release;
  CopyString(info.identity.manufacturer, identity.manufacturer);
  CopyString(info.identity.product, identity.product);
  CopyString(info.identity.serial, identity.serial);
  return identity;
}

tarvexvr_interface DeviceInterface(const InterfaceInfo &info) {
  tarvexvr_interface device = {};
  std::snprintf(device.id, sizeof device.id, "%s", InterfaceId(info.path).c_str());
  device.identity = DeviceIdentityOf(info);
  device.vendor_id = info.vendorId;
  device.product_id = info.productId;
  device.input_length = info.inputLength;
  device.feature_length = info.featureLength;
  if (info.vendorId == kReceiverVendorId) {
    device.input_report_id = info.inputLength ? kInputReportId : 0;
    device.feature_report_id = info.featureLength ? kFeatureReportId : 0;
    device.flags = info.inputLength ? TARVEXVR_FLAG_PENDANT_INPUT : 0;
  }
  if (info.refusesOpen) device.flags |= TARVEXVR_FLAG_REFUSE_OPEN;
  if (info.attributesFail) device.flags |= TARVEXVR_FLAG_FAIL_ATTRIBUTES;
  return device;
}

bool Same(const tarvexvr_interface &a, const tarvexvr_interface &b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// True when the path is the HID interface of the child with this ID.
bool PathOf(const std::string &path, const std::string &id) {
  return Lower(path).find("hid#" + Lower(id) + "#") != std::string::npos;
}

std::string Describe(const std::vector<std::string> &items) {
  std::string text;
  for (const std::string &item : items) text += (text.empty() ? "" : ", ") + item;
  return text.empty() ? "none" : text;
}

}  // namespace

std::string InterfaceId(const std::string &modelPath) {
  const std::string lower = Lower(modelPath);
  size_t start = lower.find("hid#");
  if (start == std::string::npos) return "";
  start += 4;
  return Upper(modelPath.substr(start, lower.find('#', start) - start));
}

std::string InterfaceInstance(const std::string &modelPath) {
  const std::string lower = Lower(modelPath);
  size_t start = lower.find("hid#");
  if (start == std::string::npos || (start = lower.find('#', start + 4)) == std::string::npos) {
    return "";
  }
  ++start;
  return lower.substr(start, lower.find('#', start) - start);
}

Layout LayoutOf(const std::vector<InterfaceInfo> &interfaces) {
  Layout layout;
  for (const InterfaceInfo &info : interfaces) layout.push_back(DeviceInterface(info));
  return layout;
}

bool SameLayout(const Layout &a, const Layout &b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), Same);
}

Layout WithoutChanged(const Layout &sent, const Layout &layout) {
  Layout kept;
  for (const tarvexvr_interface &device : sent) {
    const bool changed =
        std::any_of(layout.begin(), layout.end(), [&](const tarvexvr_interface &d) {
          return std::strcmp(d.id, device.id) == 0 && !Same(d, device);
        });
    if (!changed) kept.push_back(device);
  }
  return kept;
}

Layout FirstArrival(const Layout &layout, const Layout &sent, Arrival arrival) {
  const auto second = [arrival](const tarvexvr_interface &device) {
    if (device.vendor_id != kReceiverVendorId) return false;
    const bool input = (device.flags & TARVEXVR_FLAG_PENDANT_INPUT) != 0;
    return arrival == Arrival::kInputLast ? input : device.feature_length != 0;
  };
  Layout staged;
  for (const tarvexvr_interface &device : layout) {
    const bool isNew = std::none_of(sent.begin(), sent.end(),
                                    [&](const tarvexvr_interface &d) { return Same(d, device); });
    if (!(isNew && second(device))) staged.push_back(device);
  }
  return staged;
}

bool WaitListed(const Layout &layout, const std::set<std::string> &ever,
                const std::atomic<bool> &stopping, std::string *out) {
  std::vector<std::string> seen;
  const ULONGLONG deadline = GetTickCount64() + kListWaitMs;
  for (;;) {
    const std::vector<std::string> paths = hidlist::ListPaths();
    seen.clear();
    bool match = true;
    for (const std::string &id : ever) {
      const bool wanted = std::any_of(layout.begin(), layout.end(),
                                      [&](const tarvexvr_interface &d) { return id == d.id; });
      const bool listed = std::any_of(paths.begin(), paths.end(),
                                      [&](const std::string &path) { return PathOf(path, id); });
      if (listed) seen.push_back(id);
      match = match && wanted == listed;
    }
    if (match) return true;
    if (GetTickCount64() >= deadline || stopping) break;
    Sleep(kListPollMs);
  }
  std::vector<std::string> wanted;
  for (const tarvexvr_interface &device : layout) wanted.push_back(device.id);
  if (out) {
    *out = "waited " + std::to_string(kListWaitMs) + " ms for the HID interfaces " +
           Describe(wanted) + "; the system lists " + Describe(seen);
  }
  return false;
}

}  // namespace vreceiver::process
