#include "text.h"

#include "vreceiver/receiver.h"

namespace vreceiver::script {

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
