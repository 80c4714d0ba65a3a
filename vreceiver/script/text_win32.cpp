#include "gbk_text.h"
#include "text.h"

namespace vreceiver::script {

using gbk::GbkToWide;
using gbk::Utf8ToWide;
using gbk::WideToGbk;
using gbk::WideToUtf8;

std::string GbkToUtf8(const std::string &gbk) { return WideToUtf8(GbkToWide(gbk)); }
std::string Utf8ToGbk(const std::string &utf8) { return WideToGbk(Utf8ToWide(utf8)); }

}  // namespace vreceiver::script
