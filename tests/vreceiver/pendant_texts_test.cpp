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

std::vector<uint8_t> Bytes(const std::string &text) { return {text.begin(), text.end()}; }

void PayloadSplitsIntoTheFourLines() {
  std::string payload =
      "11111111111" + std::string(16, '2') + std::string(16, '3') + std::string(16, '4');
  std::vector<std::string> lines = pendant::LcdLineBytes(Bytes(payload));
  CHECK(lines.size() == 4);
  CHECK(lines[0] == "11111111111" && lines[3] == std::string(16, '4'));
  // A short payload (another caller than Tarvex) fills what it reaches.
  lines = pendant::LcdLineBytes(Bytes("Hello, world!"));
  CHECK(lines.size() == 4);
  CHECK(lines[0] == "Hello, worl" && lines[1] == "d!" && lines[2].empty() && lines[3].empty());
}

void LinesDecodeAsGbk() {
  // 你好 (C4 E3 BA C3) and spaces
  CHECK(pendant::LcdLineText("\xC4\xE3\xBA\xC3  ") == L"\u4F60\u597D  ");
  // A lead byte left alone at the end is half a character, not a '?'.
  CHECK(pendant::LcdLineText("abcdefghij\xC4") ==
        std::wstring(L"abcdefghij") + pendant::kCutCharacter);
  // A trail byte in the lead range pairs with the byte before it: 轴 is D6 E1.
  CHECK(pendant::LcdLineText("X \xD6\xE1") == L"X \u8F74");
  CHECK(pendant::LcdLineText("") == L"");
}

void ProductsNameTheirFamily() {
  CHECK(pendant::ModelText(0xEB92).find(L"MQD7RA") == 0);
  CHECK(pendant::ModelText(0xEB91).find(L"MQD9RA") == 0);
  CHECK(pendant::ModelText(0xEB90).find(L"vQDz") == 0);
  CHECK(pendant::ModelText(0xEBFF).find(L"vQDz") == 0);
  CHECK(pendant::ModelText(0xEB8F).find(L"not a pendant receiver") != std::wstring::npos);
  CHECK(pendant::ProductText(0xEB99).find(L"0xEB99 vQD8RA") == 0);
  CHECK(pendant::KnownProductIds().size() == 8);
}

void LogLinesNameTheReport() {
  vreceiver::FeatureEvent event;
  event.timeMs = 1000;
  event.kind = vreceiver::FeatureKind::kGreeting;
  event.bytes = {6, 0xFE, 0xFD, 7, 0x20, 0x20, 0x20, 0x20};
  const std::wstring line = pendant::FeatureEventText(event);
  CHECK(line.find(L"\tgreeting\t06 FE FD 07 20 20 20 20") != std::wstring::npos);
  CHECK(line.size() > 12 && line[2] == L':' && line[8] == L'.');
  event.kind = vreceiver::FeatureKind::kInformation;
  event.accepted = false;
  event.bytes.clear();
  CHECK(pendant::FeatureEventText(event).find(L"\trequest refused\t") != std::wstring::npos);
  event.kind = vreceiver::FeatureKind::kFrame;
  CHECK(pendant::FeatureEventText(event).find(L"\twrite refused\t") != std::wstring::npos);
}

}  // namespace

int main() {
  PayloadSplitsIntoTheFourLines();
  LinesDecodeAsGbk();
  ProductsNameTheirFamily();
  LogLinesNameTheReport();
  return winecheck::Summary();
}
