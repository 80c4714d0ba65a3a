// What the pendant window shows, as text: the LCD's lines, the receiver's
// model, the log of feature reports and how a play stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pendant_player.h"
#include "vreceiver/receiver.h"

namespace pendant_window {

// A selector position the window offers: the code the pendant sends and the
// window's own label for it (not the monitor's texts: the window tests the
// monitor, so it must not share a wrong table with it).
struct SelectorChoice {
  uint8_t code;
  const wchar_t *label;
};
inline constexpr SelectorChoice kAxisChoices[] = {{17, L"X"},        {18, L"Y"}, {19, L"Z"},
                                                  {20, L"A"},        {21, L"B"}, {22, L"C"},
                                                  {23, L"7th axis"}, {0, L"OFF"}};
inline constexpr SelectorChoice kStepChoices[] = {{13, L"1x"},    {14, L"10x"},   {15, L"100x"},
                                                  {16, L"1000x"}, {26, L"2000x"}, {27, L"5000x"},
                                                  {28, L"lead"}};

// One line as the character display shows it: GBK decoded; a double-byte
// character cut at the line's end shows as kCutCharacter.
std::wstring LcdLineText(const std::string &gbk);
constexpr wchar_t kCutCharacter = L'\u2592';

// The family a product ID names, after the ID: "0xEB91 MQD9RA带手轮 .."
std::wstring ProductText(uint16_t productId);
std::wstring ModelText(uint16_t productId);  // the family alone
// Who the receiver says it is: "rev 0x0101, SERIAL, MANUFACTURER, PRODUCT".
std::wstring IdentityText(const pendant::DeviceIdentity &identity);

// "18:40:01.123 \t greeting \t 06 FE FD 07 20 20 20 20" (local time; tab
// separated columns)
std::wstring FeatureEventText(const vreceiver::FeatureEvent &event);

// How a play stands: "播放 playing 1.2 / 3.4 s", "播放完 played to the end:
// 171 lines, 3.4 s", "已停止 stopped at line 57 of 171", or why it failed.
std::wstring PlayStatusText(const PlayProgress &progress);

}  // namespace pendant_window
