#include "gbk_text.h"

#include <windows.h>

namespace tarvex::win32 {
namespace {

constexpr UINT kGbkCodePage = 936;

}  // namespace

std::wstring GbkToWide(const std::string &gbk) {
  if (gbk.empty()) return std::wstring();
  const int size = static_cast<int>(gbk.size());
  const int length = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, &wide[0], length);
  return wide;
}

std::string WideToGbk(const std::wstring &wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, nullptr, 0, "?", nullptr);
  std::string gbk(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, &gbk[0], length, "?", nullptr);
  return gbk;
}

}  // namespace tarvex::win32
