// ASCII case folding for device paths, which Windows compares without case.
#pragma once

namespace mqd7ra {

constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace mqd7ra
