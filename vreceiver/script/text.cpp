#include "text.h"

#include "gbk_text.h"
#include "vreceiver/receiver.h"

namespace vreceiver::script {

using tarvex::win32::GbkToWide;
using tarvex::win32::WideToGbk;

std::string GbkToUtf8(const std::string &gbk) { return WideToUtf8(GbkToWide(gbk)); }
std::string Utf8ToGbk(const std::string &utf8) { return WideToGbk(Utf8ToWide(utf8)); }

std::vector<std::string> LcdLinesFromUtf8(const std::vector<std::string> &utf8Lines) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < utf8Lines.size() && i < kLcdLineCount; ++i) {
    std::string gbk = Utf8ToGbk(utf8Lines[i]);
    if (gbk.size() < kLcdLineWidths[i]) gbk.append(kLcdLineWidths[i] - gbk.size(), ' ');
    lines.push_back(gbk);
  }
  return lines;
}

std::string HexOf(const std::string &bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

}  // namespace vreceiver::script
