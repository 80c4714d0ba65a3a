#include "display_payload.h"

namespace tarvex {
namespace {

constexpr size_t kLineWidths[] = {11, 16, 16, 16};

bool IsGbkLeadByte(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

// Bytes of `line` that fit `width` without splitting a double-byte character.
size_t FittingBytes(const std::string &line, size_t width) {
  size_t taken = 0;
  while (taken < line.size()) {
    const bool pair = IsGbkLeadByte(static_cast<uint8_t>(line[taken])) && taken + 1 < line.size();
    const size_t next = taken + (pair ? 2 : 1);
    if (next > width) break;
    taken = next;
  }
  return taken;
}

}  // namespace

DisplayPayload ComposeDisplayPayload(const std::string &line1, const std::string &line2,
                                     const std::string &line3, const std::string &line4) {
  const std::string *lines[] = {&line1, &line2, &line3, &line4};
  DisplayPayload payload{};
  size_t position = 0;
  for (size_t i = 0; i < 4; ++i) {
    const size_t n = FittingBytes(*lines[i], kLineWidths[i]);
    for (size_t b = 0; b < kLineWidths[i]; ++b) {
      payload[position++] = b < n ? static_cast<uint8_t>((*lines[i])[b]) : uint8_t{0x20};
    }
  }
  return payload;
}

}  // namespace tarvex
