#include "interpreter.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

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
  if (text.empty()) return false;
  char *end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 0);
  if (*end != '\0') return false;
  *value = parsed;
  return true;
}

bool WaitUntil(const std::function<bool()> &pred, uint32_t timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (pred()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}

void Interpreter::Add(const std::string &name, const std::string &usage, Handler handler) {
  commands_[name] = Command{usage, std::move(handler)};
}

bool Interpreter::RunLine(const std::string &line, std::string *out) {
  std::vector<std::string> words;
  Args args;
  if (!Tokenize(line, &words, &args.options, out)) return false;
  if (words.empty()) return true;
  std::string name = words[0];
  args.words.assign(words.begin() + 1, words.end());
  if (name == "help") {
    *out = Help();
    return true;
  }
  auto it = commands_.find(name);
  if (it == commands_.end()) {
    *out = "unknown command '" + name + "' (try help)";
    return false;
  }
  return it->second.handler(args, out);
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
  std::string text;
  for (const auto &entry : commands_) text += entry.second.usage + "\n";
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace vreceiver::script
