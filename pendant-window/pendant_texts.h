// What the pendant window shows, as text: the LCD's lines, the receiver's
// model and the log of feature reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vreceiver/receiver.h"

namespace pendant_window {

// One line as the character display shows it: GBK decoded; a double-byte
// character cut at the line's end shows as kCutCharacter.
std::wstring LcdLineText(const std::string &gbk);
constexpr wchar_t kCutCharacter = L'\u2592';

// The family a product ID names, after the ID: "0xEB91 MQD9RA带手轮 .."
std::wstring ProductText(uint16_t productId);
std::wstring ModelText(uint16_t productId);  // the family alone

// "18:40:01.123 \t greeting \t 06 FE FD 07 20 20 20 20" (local time; tab
// separated columns)
std::wstring FeatureEventText(const vreceiver::FeatureEvent &event);

}  // namespace pendant_window
