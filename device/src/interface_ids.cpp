#include "interface_ids.h"

#include "ascii.h"

namespace mqd7ra {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Compares char by char, so it never reads past the end of text.
bool StartsWith(const char *text, const char *lowerPrefix) {
  for (; *lowerPrefix != '\0'; ++text, ++lowerPrefix) {
    if (AsciiLower(*text) != *lowerPrefix) return false;
  }
  return true;
}

// Exactly four hex digits: a fifth would make it some other number.
bool FourHex(const char *text, uint16_t *value) {
  unsigned result = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return false;
    result = result * 16 + static_cast<unsigned>(digit);
  }
  if (HexDigit(text[4]) >= 0) return false;
  *value = static_cast<uint16_t>(result);
  return true;
}

}  // namespace

bool IdsFromPath(const char *path, HidAttributes *ids) {
  for (const char *p = path; *p != '\0'; ++p) {
    HidAttributes found;
    if (StartsWith(p, "vid_") && FourHex(p + 4, &found.vendorId) && StartsWith(p + 8, "&pid_") &&
        FourHex(p + 13, &found.productId)) {
      *ids = found;
      return true;
    }
  }
  return false;
}

}  // namespace mqd7ra
