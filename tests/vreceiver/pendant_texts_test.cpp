// Checks of what the pendant window shows as text, run under Wine (the GBK
// decoding is the platform's code page 936): the LCD's lines, the model of
// a product ID and the lines of the feature-report log.
// Prints "N passed, N failed".
#include "pendant_texts.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "wine_check.h"

namespace {

void LinesDecodeAsGbk() {
  // 你好 (C4 E3 BA C3) and spaces
  CHECK(pendant_window::LcdLineText("\xC4\xE3\xBA\xC3  ") == L"\u4F60\u597D  ");
  // A lead byte left alone at the end is half a character, not a '?'.
  CHECK(pendant_window::LcdLineText("abcdefghij\xC4") ==
        std::wstring(L"abcdefghij") + pendant_window::kCutCharacter);
  // A trail byte in the lead range pairs with the byte before it: 轴 is D6 E1.
  CHECK(pendant_window::LcdLineText("X \xD6\xE1") == L"X \u8F74");
  CHECK(pendant_window::LcdLineText("") == L"");
}

void ProductsNameTheirFamily() {
  CHECK(pendant_window::ModelText(0xEB8F).find(L"not a pendant receiver") != std::wstring::npos);
  CHECK(pendant_window::ProductText(0xEB99).find(L"0xEB99 vQD8RA") == 0);
}

void LogLinesNameTheReport() {
  vreceiver::FeatureEvent event;
  event.timeMs = 1000;
  event.kind = vreceiver::FeatureKind::kGreeting;
  event.bytes = {6, 0xFE, 0xFD, 7, 0x20, 0x20, 0x20, 0x20};
  const std::wstring line = pendant_window::FeatureEventText(event);
  CHECK(line.find(L"\tgreeting\t06 FE FD 07 20 20 20 20") != std::wstring::npos);
  CHECK(line.size() > 12 && line[2] == L':' && line[8] == L'.');
  event.kind = vreceiver::FeatureKind::kInformation;
  event.accepted = false;
  event.bytes.clear();
  CHECK(pendant_window::FeatureEventText(event).find(L"\trequest refused\t") != std::wstring::npos);
  event.kind = vreceiver::FeatureKind::kFrame;
  CHECK(pendant_window::FeatureEventText(event).find(L"\twrite refused\t") != std::wstring::npos);
}

}  // namespace

int main() {
  LinesDecodeAsGbk();
  ProductsNameTheirFamily();
  LogLinesNameTheReport();
  return winecheck::Summary();
}
