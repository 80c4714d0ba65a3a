#include "display_payload.h"

#include <algorithm>

namespace tarvex {
namespace {

constexpr size_t kLineWidths[] = {11, 16, 16, 16};

}  // namespace

DisplayPayload ComposeDisplayPayload(const std::string &line1, const std::string &line2,
                                     const std::string &line3, const std::string &line4) {
  const std::string *lines[] = {&line1, &line2, &line3, &line4};
  DisplayPayload payload{};
  size_t position = 0;
  for (size_t i = 0; i < 4; ++i) {
    // Widths count bytes: a double-byte character across the width keeps
    // its first byte as the line's last, as the receiver expects.
    const size_t n = std::min(lines[i]->size(), kLineWidths[i]);
    for (size_t b = 0; b < kLineWidths[i]; ++b) {
      payload[position++] = b < n ? static_cast<uint8_t>((*lines[i])[b]) : uint8_t{0x20};
    }
  }
  return payload;
}

}  // namespace tarvex
