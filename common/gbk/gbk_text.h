// Text between the byte encodings the programs hold and Windows' wide API,
// whatever the system's ANSI code page is: GBK (code page 936), the encoding
// of every text Tarvex shows and of the pendant's LCD, and UTF-8, the
// encoding of the tools' scripts.
#pragma once

#include <string>

namespace gbk {

std::wstring GbkToWide(const std::string &gbk);
// A character with no GBK form becomes "?".
std::string WideToGbk(const std::wstring &wide);
std::wstring Utf8ToWide(const std::string &utf8);
std::string WideToUtf8(const std::wstring &wide);

}  // namespace gbk
