// Text as the tools show and compare it: scripts are UTF-8, the window and
// the LCD hold GBK (code page 936) bytes, the wide API UTF-16.
#pragma once

#include <cstddef>
#include <string>

namespace vrscript {

std::string GbkToUtf8(const std::string &gbk);
std::string Utf8ToGbk(const std::string &utf8);
// GBK bytes space-padded to `width` (a line of the LCD as the payload has it).
std::string Utf8ToGbkPadded(const std::string &utf8, size_t width);
std::wstring Utf8ToWide(const std::string &utf8);
std::string WideToUtf8(const std::wstring &wide);
std::string HexOf(const std::string &bytes);

}  // namespace vrscript
