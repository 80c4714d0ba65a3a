#include "interpreter.h"

#include <cctype>
#include <cstdio>
#include <fstream>

#include "help_table.h"
#include "script_port.h"

namespace vreceiver::script {

uint32_t Args::Timeout(uint32_t fallback) const {
  auto it = options.find("timeout");
  long value = 0;
  if (it == options.end() || !ParseNumber(it->second, &value) || value < 0) return fallback;
  return static_cast<uint32_t>(value);
}

namespace {

bool IsOptionName(const std::string &word, size_t equals) {
  if (equals == 0 || equals == std::string::npos) return false;
  for (size_t i = 0; i < equals; ++i) {
    if (!std::isalpha(static_cast<unsigned char>(word[i])) && word[i] != '-') return false;
  }
  return true;
}

// Reads a quoted string starting after the opening quote at line[*pos - 1].
bool ReadQuoted(const std::string &line, size_t *pos, std::string *text) {
  for (size_t i = *pos; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < line.size()) c = line[++i];
    *text += c;
  }
  return false;
}

}  // namespace

bool Tokenize(const std::string &line, std::vector<std::string> *words,
              std::map<std::string, std::string> *options, std::string *error) {
  size_t pos = 0;
  while (pos < line.size()) {
    char c = line[pos];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++pos;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string text;
      ++pos;
      if (!ReadQuoted(line, &pos, &text)) {
        *error = "unterminated string";
        return false;
      }
      words->push_back(text);
    } else {
      size_t end = pos;
      while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
      std::string word = line.substr(pos, end - pos);
      size_t equals = word.find('=');
      if (IsOptionName(word, equals)) {
        (*options)[word.substr(0, equals)] = word.substr(equals + 1);
      } else {
        words->push_back(word);
      }
      pos = end;
    }
  }
  return true;
}

bool ParseNumber(const std::string &text, long *value) {
  const bool negative = !text.empty() && text[0] == '-';
  size_t at = negative ? 1 : 0;
  unsigned base = 10;
  if (text.size() > at + 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at == text.size()) return false;
  constexpr int64_t kLimit = int64_t{1} << 31;  // -2^31 .. 2^31 - 1
  int64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    unsigned digit = 16;
    if (std::isdigit(c)) digit = static_cast<unsigned>(c - '0');
    if (base == 16 && std::isxdigit(c) && !std::isdigit(c)) {
      digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
    }
    if (digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return false;
  }
  if (!negative && magnitude == kLimit) return false;
  *value = static_cast<long>(negative ? -magnitude : magnitude);
  return true;
}

std::string Printable(const std::string &word) {
  constexpr size_t kShown = 40;
  std::string shown;
  for (size_t i = 0; i < word.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(word[i]);
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    }
  }
  return word.size() > kShown ? shown + "..." : shown;
}

bool WaitUntil(const std::function<bool()> &pred, uint32_t timeoutMs) {
  Clock &clock = CurrentClock();
  const int64_t deadline = clock.NowUs() + int64_t{timeoutMs} * 1000;
  for (;;) {
    if (pred()) return true;
    if (clock.NowUs() >= deadline) return false;
    clock.Sleep(10);
  }
}

void Interpreter::Add(const std::string &name, const std::string &usage, const std::string &what,
                      Handler handler) {
  commands_[name] = Command{usage, what, std::move(handler), nullptr};
}

void Interpreter::AddChecked(const std::string &name, const std::string &usage,
                             const std::string &what, Parser parser) {
  commands_[name] = Command{usage, what, nullptr, std::move(parser)};
}

bool Interpreter::RunLine(const std::string &line, std::string *out) {
  std::vector<std::string> words;
  Args args;
  if (!Tokenize(line, &words, &args.options, out)) return false;
  if (words.empty()) return true;
  if (words[0] == "help") {
    *out = Help();
    return true;
  }
  auto it = commands_.find(words[0]);
  if (it == commands_.end()) {
    *out = "unknown command '" + Printable(words[0]) + "' (try help)";
    return false;
  }
  args.words.assign(words.begin() + 1, words.end());
  if (it->second.handler) return it->second.handler(args, out);
  Action action;
  return it->second.parser(args, &action, out) && action(out);
}

bool Interpreter::CheckLine(const std::string &line, Action *action, std::string *out) const {
  std::vector<std::string> words;
  Args args;
  *action = nullptr;
  if (!Tokenize(line, &words, &args.options, out)) return false;
  if (words.empty()) return true;
  auto it = commands_.find(words[0]);
  if (it == commands_.end() || !it->second.parser) {
    *out = "'" + Printable(words[0]) + "' is not a command a recording holds";
    return false;
  }
  args.words.assign(words.begin() + 1, words.end());
  return it->second.parser(args, action, out);
}

bool Interpreter::RunFile(const std::string &path) {
  std::ifstream file(path);
  if (!file) {
    std::printf("FAIL cannot read script %s\n", path.c_str());
    return false;
  }
  std::string line;
  int number = 0;
  while (!quit_ && std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] != '#')
      std::printf("> %s\n", line.c_str() + first);
    std::string out;
    bool ok = RunLine(line, &out);
    if (!out.empty()) std::printf("%s\n", out.c_str());
    if (!ok) {
      std::printf("FAIL %s:%d: %s\n", path.c_str(), number, line.c_str());
      std::fflush(stdout);
      return false;
    }
    std::fflush(stdout);
  }
  return true;
}

std::string Interpreter::Help() const {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto &entry : commands_) {
    const Command &command = entry.second;
    rows.emplace_back(entry.first + (command.usage.empty() ? "" : " " + command.usage),
                      command.what);
  }
  return HelpTable(rows);
}

}  // namespace vreceiver::script
