#include <errno.h>
#include <iconv.h>

#include "text.h"

namespace vreceiver::script {

namespace {

// `text` from one encoding to another through iconv; a byte sequence with
// no form in the other becomes "?".
std::string Convert(const char *to, const char *from, const std::string &text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text.size(), '?');
  std::string result;
  char *in = const_cast<char *>(text.data());
  size_t inLeft = text.size();
  char buffer[256];
  while (inLeft > 0) {
    char *out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(cd, &in, &inLeft, &out, &outLeft);
    result.append(buffer, static_cast<size_t>(out - buffer));
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      result += '?';  // an invalid or incomplete sequence: skip a byte
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return result;
}

}  // namespace

std::string GbkToUtf8(const std::string &gbk) { return Convert("UTF-8", "GBK", gbk); }
std::string Utf8ToGbk(const std::string &utf8) { return Convert("GBK", "UTF-8", utf8); }

}  // namespace vreceiver::script
