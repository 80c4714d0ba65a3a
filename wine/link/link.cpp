#include "link.h"

#include <windows.h>

#include <cctype>

namespace vrlink {

namespace {

constexpr DWORD kReplyCapacity = 64 * 1024;
constexpr DWORD kBusyWaitMs = 2000;

constexpr DWORD kReplyWaitMs = 1000;
constexpr int kAttempts = 5;

HANDLE ConnectLink() {
  for (int attempt = 0; attempt < 20; ++attempt) {
    HANDLE pipe = CreateFileA(kLinkPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) return pipe;
    if (GetLastError() != ERROR_PIPE_BUSY) return INVALID_HANDLE_VALUE;
    WaitNamedPipeA(kLinkPipe, kBusyWaitMs);
  }
  return INVALID_HANDLE_VALUE;
}

// Waits for an overlapped operation, at most `waitMs`; cancels it when late.
bool Complete(HANDLE pipe, OVERLAPPED *overlapped, BOOL started, DWORD waitMs, DWORD *count) {
  if (!started && GetLastError() != ERROR_IO_PENDING) return false;
  if (WaitForSingleObject(overlapped->hEvent, waitMs) != WAIT_OBJECT_0) CancelIo(pipe);
  return GetOverlappedResult(pipe, overlapped, count, TRUE) != 0;
}

enum class Outcome { kAnswered, kNoReceiver, kLost };

Outcome TryOnce(const std::string &request, std::string *reply) {
  HANDLE pipe = ConnectLink();
  if (pipe == INVALID_HANDLE_VALUE) return Outcome::kNoReceiver;
  DWORD mode = PIPE_READMODE_MESSAGE;
  SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::string buffer(kReplyCapacity, '\0');
  DWORD count = 0;
  BOOL wrote =
      WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), nullptr, &overlapped);
  bool ok = Complete(pipe, &overlapped, wrote, kReplyWaitMs, &count) && count == request.size();
  if (ok) {
    ResetEvent(overlapped.hEvent);
    BOOL read = ReadFile(pipe, &buffer[0], kReplyCapacity, nullptr, &overlapped);
    ok = Complete(pipe, &overlapped, read, kReplyWaitMs, &count);
  }
  CloseHandle(overlapped.hEvent);
  CloseHandle(pipe);
  if (!ok) return Outcome::kLost;
  reply->assign(buffer.data(), count);
  return Outcome::kAnswered;
}

}  // namespace

// Under Wine a connection to the receiver is now and then lost before its
// request is read: such a request is sent again on a new connection.
bool Transact(const std::string &request, std::string *reply) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    Outcome outcome = TryOnce(request, reply);
    if (outcome != Outcome::kLost) return outcome == Outcome::kAnswered;
  }
  return false;
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
