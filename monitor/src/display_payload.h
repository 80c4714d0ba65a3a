// The LCD's display text: four lines, each cut or space-filled to its width
// (11, 16, 16, 16 bytes), 59 bytes in all, no terminator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvex {

constexpr size_t kDisplayPayloadSize = 59;
using DisplayPayload = std::array<uint8_t, kDisplayPayloadSize>;

// Lines are GBK bytes and widths count bytes: a double-byte character that
// straddles a line's width is cut after its first byte, which becomes the
// line's last byte.
DisplayPayload ComposeDisplayPayload(const std::string &line1, const std::string &line2,
                                     const std::string &line3, const std::string &line4);

}  // namespace tarvex
