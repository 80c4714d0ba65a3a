#include "pendant_texts.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "gbk_text.h"

namespace pendant_window {

namespace {

constexpr uint64_t kUnixEpochIn100ns = 116444736000000000ULL;

bool IsLeadByte(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

const wchar_t *KindName(const vreceiver::FeatureEvent &event) {
  if (!event.accepted)
    return event.kind == vreceiver::FeatureKind::kInformation ? L"request refused"
                                                              : L"write refused";
  switch (event.kind) {
    case vreceiver::FeatureKind::kGreeting:
      return L"greeting";
    case vreceiver::FeatureKind::kFrame:
      return L"frame";
    case vreceiver::FeatureKind::kPrelude:
      return L"prelude";
    case vreceiver::FeatureKind::kCommand:
      return L"command";
    case vreceiver::FeatureKind::kInformation:
      return L"information";
    case vreceiver::FeatureKind::kStray:
      break;
  }
  return L"stray";
}

std::wstring LocalTime(uint64_t unixMs) {
  const uint64_t ticks = unixMs * 10000 + kUnixEpochIn100ns;
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utcTime, local;
  FileTimeToSystemTime(&utc, &utcTime);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local)) local = utcTime;
  wchar_t text[32];
  swprintf(text, 32, L"%02u:%02u:%02u.%03u", local.wHour, local.wMinute, local.wSecond,
           local.wMilliseconds);
  return text;
}

}  // namespace

std::wstring LcdLineText(const std::string &gbk) {
  size_t whole = 0;  // bytes up to the last complete character
  while (whole < gbk.size()) {
    const size_t size = IsLeadByte(static_cast<uint8_t>(gbk[whole])) ? 2 : 1;
    if (whole + size > gbk.size()) break;
    whole += size;
  }
  std::wstring text = gbk::GbkToWide(gbk.substr(0, whole));
  if (whole < gbk.size()) text += kCutCharacter;
  return text;
}

std::wstring ModelText(uint16_t productId) {
  const char *family = pendant::PendantFamily(productId);
  return family ? gbk::Utf8ToWide(family) : L"不是手轮接收器 (not a pendant receiver)";
}

std::wstring ProductText(uint16_t productId) {
  wchar_t id[16];
  swprintf(id, 16, L"0x%04X ", productId);
  return id + ModelText(productId);
}

std::wstring IdentityText(const pendant::DeviceIdentity &identity) {
  wchar_t release[24];
  swprintf(release, 24, L"rev 0x%04X, ", identity.release);
  return release + gbk::Utf8ToWide(identity.serial) + L", " +
         gbk::Utf8ToWide(identity.manufacturer) + L", " + gbk::Utf8ToWide(identity.product);
}

std::wstring FeatureEventText(const vreceiver::FeatureEvent &event) {
  std::wstring text = LocalTime(event.timeMs) + L"\t" + KindName(event) + L"\t";
  for (uint8_t byte : event.bytes) {
    wchar_t hex[4];
    swprintf(hex, 4, L"%02X ", byte);
    text += hex;
  }
  return text;
}

namespace {

std::wstring Seconds(uint64_t ms) {
  wchar_t text[32];
  swprintf(text, 32, L"%.1f", static_cast<double>(ms) / 1000);
  return text;
}

}  // namespace

std::wstring PlayStatusText(const PlayProgress &progress) {
  using State = PlayProgress::State;
  const std::wstring lines = std::to_wstring(progress.lines);
  switch (progress.state) {
    case State::kIdle:
      return L"";
    case State::kPlaying:
      return L"播放 playing " + Seconds(progress.playedMs) + L" / " + Seconds(progress.totalMs) +
             L" s";
    case State::kDone:
      return L"播放完 played to the end: " + lines + L" lines, " + Seconds(progress.totalMs) +
             L" s";
    case State::kStopped:
      return L"已停止 stopped at line " + std::to_wstring(progress.linesRun + 1) + L" of " + lines;
    case State::kFailed:
      return L"失败 failed at " + gbk::Utf8ToWide(progress.failure);
  }
  return L"";
}

}  // namespace pendant_window
