// Text as the tools show and compare it: scripts are UTF-8, the window and
// the LCD hold GBK (code page 936) bytes. The conversions are the
// system's (text_win32.cpp, text_posix.cpp).
#pragma once

#include <string>
#include <vector>

namespace vreceiver::script {

// A character with no form in the other encoding becomes "?".
std::string GbkToUtf8(const std::string &gbk);
std::string Utf8ToGbk(const std::string &utf8);
// Lines of the LCD as a script gives them (UTF-8) in the GBK bytes the
// payload carries, each space-padded to its line's width.
std::vector<std::string> LcdLinesFromUtf8(const std::vector<std::string> &utf8Lines);
std::string HexOf(const std::string &bytes);

}  // namespace vreceiver::script
