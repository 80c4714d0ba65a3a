#include "text.h"

#include <windows.h>

namespace vrscript {

namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(const std::string &text, UINT codePage) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string FromWide(const std::wstring &wide, UINT codePage) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr,
                      nullptr);
  return text;
}

}  // namespace

std::string GbkToUtf8(const std::string &gbk) { return FromWide(ToWide(gbk, kGbk), CP_UTF8); }
std::string Utf8ToGbk(const std::string &utf8) { return FromWide(ToWide(utf8, CP_UTF8), kGbk); }
std::string Utf8ToGbkPadded(const std::string &utf8, size_t width) {
  std::string gbk = Utf8ToGbk(utf8);
  if (gbk.size() < width) gbk.append(width - gbk.size(), ' ');
  return gbk;
}

std::wstring Utf8ToWide(const std::string &utf8) { return ToWide(utf8, CP_UTF8); }
std::string WideToUtf8(const std::wstring &wide) { return FromWide(wide, CP_UTF8); }

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

}  // namespace vrscript
