// GBK (code page 936) <-> UTF-16, whatever the system's ANSI code page is.
#pragma once

#include <string>

namespace tarvex::win32 {

std::wstring GbkToWide(const std::string &gbk);
// A character with no GBK form becomes "?".
std::string WideToGbk(const std::wstring &wide);

}  // namespace tarvex::win32
