#include "help_table.h"

namespace vreceiver::script {

namespace {

constexpr size_t kColumn = 26;  // where descriptions start
constexpr size_t kWidth = 100;  // where they wrap

// Appends `text` from column kColumn of the current line, wrapping at word
// boundaries onto lines indented to kColumn.
void AppendWrapped(const std::string &text, size_t at, std::string *out) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(' ', pos);
    if (end == std::string::npos) end = text.size();
    const size_t length = end - pos;
    if (at > kColumn && at + 1 + length > kWidth) {
      *out += "\n" + std::string(kColumn, ' ');
      at = kColumn;
    } else if (at > kColumn) {
      *out += ' ';
      ++at;
    }
    *out += text.substr(pos, length);
    at += length;
    pos = end + 1;
  }
}

}  // namespace

std::string HelpTable(const std::vector<std::pair<std::string, std::string>> &rows) {
  std::string text;
  for (const auto &row : rows) {
    if (!text.empty()) text += '\n';
    text += row.first;
    if (row.second.empty()) continue;
    // Two spaces at least between a usage and its description.
    if (row.first.size() + 2 > kColumn)
      text += "\n" + std::string(kColumn, ' ');
    else
      text += std::string(kColumn - row.first.size(), ' ');
    AppendWrapped(row.second, kColumn, &text);
  }
  return text;
}

}  // namespace vreceiver::script
