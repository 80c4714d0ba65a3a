#include "gbk_text.h"

#include <windows.h>

namespace gbk {
namespace {

constexpr UINT kGbkCodePage = 936;

std::wstring ToWide(const std::string &text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
  return wide;
}

// `fallback` stands for a character the code page lacks (UTF-8 lacks none
// and takes no fallback).
std::string FromWide(const std::wstring &wide, UINT codePage, const char *fallback) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, fallback, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), size, &text[0], length, fallback, nullptr);
  return text;
}

}  // namespace

std::wstring GbkToWide(const std::string &gbk) { return ToWide(gbk, kGbkCodePage); }
std::string WideToGbk(const std::wstring &wide) { return FromWide(wide, kGbkCodePage, "?"); }
std::wstring Utf8ToWide(const std::string &utf8) { return ToWide(utf8, CP_UTF8); }
std::string WideToUtf8(const std::wstring &wide) { return FromWide(wide, CP_UTF8, nullptr); }

}  // namespace gbk
