#include "link.h"

#include <windows.h>

#include <cctype>

namespace vrlink {

namespace {

constexpr DWORD kReplyCapacity = 64 * 1024;
constexpr DWORD kBusyWaitMs = 2000;

HANDLE ConnectLink() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    HANDLE pipe =
        CreateFileA(kLinkPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    if (GetLastError() != ERROR_PIPE_BUSY) return INVALID_HANDLE_VALUE;
    WaitNamedPipeA(kLinkPipe, kBusyWaitMs);
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool Transact(const std::string &request, std::string *reply) {
  HANDLE pipe = ConnectLink();
  if (pipe == INVALID_HANDLE_VALUE) return false;
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  std::string buffer(kReplyCapacity, '\0');
  DWORD got = 0;
  BOOL ok = TransactNamedPipe(pipe, const_cast<char *>(request.data()),
                              static_cast<DWORD>(request.size()), &buffer[0], kReplyCapacity, &got,
                              nullptr);
  CloseHandle(pipe);
  if (!ok) return false;
  reply->assign(buffer.data(), got);
  return true;
}

std::string ToHex(const uint8_t *bytes, size_t count) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

bool FromHex(const std::string &text, std::vector<uint8_t> *bytes) {
  bytes->clear();
  int high = -1;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    int value = std::isdigit(static_cast<unsigned char>(c))
                    ? c - '0'
                    : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    if (high < 0) {
      high = value;
    } else {
      bytes->push_back(static_cast<uint8_t>(high * 16 + value));
      high = -1;
    }
  }
  return high < 0;
}

std::vector<std::string> SplitWords(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace vrlink
