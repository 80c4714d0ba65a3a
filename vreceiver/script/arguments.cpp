#include "arguments.h"

#include <cstdint>

namespace vreceiver::script {

bool Number(const Args &args, size_t index, long low, long high, long *value, std::string *out) {
  if (index >= args.words.size() || !ParseNumber(args.words[index], value) || *value < low ||
      *value > high) {
    *out = "expected a number from " + std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  return true;
}

namespace {

bool OneOf(const std::string &word, std::initializer_list<const char *> choices, size_t *which) {
  size_t place = 0;
  for (const char *choice : choices) {
    if (word == choice) {
      *which = place;
      return true;
    }
    ++place;
  }
  return false;
}

// "a, b or c"
std::string Listed(std::initializer_list<const char *> choices) {
  std::string text;
  size_t place = 0;
  for (const char *choice : choices) {
    if (place > 0) text += place + 1 == choices.size() ? " or " : ", ";
    text += choice;
    ++place;
  }
  return text;
}

}  // namespace

bool OnOff(const Args &args, bool *on, std::string *out) {
  size_t which = 0;
  if (args.words.size() > 1 || !Choice(args, 0, {"on", "off"}, &which, out)) {
    *out = "expected on or off";
    return false;
  }
  *on = which == 0;
  return true;
}

bool Choice(const Args &args, size_t index, std::initializer_list<const char *> choices,
            size_t *which, std::string *out) {
  if (index < args.words.size() && OneOf(args.words[index], choices, which)) return true;
  *out = "expected " + Listed(choices);
  return false;
}

bool OptionNumber(const Args &args, const char *name, long low, long high, long *value,
                  std::string *out) {
  const auto given = args.options.find(name);
  long number = 0;
  if (given == args.options.end()) return true;
  if (ParseNumber(given->second, &number) && number >= low && number <= high) {
    *value = number;
    return true;
  }
  *out = std::string(name) + " must be a number from " + std::to_string(low) + " to " +
         std::to_string(high);
  return false;
}

bool OptionChoice(const Args &args, const char *name, std::initializer_list<const char *> choices,
                  size_t *which, std::string *out) {
  const auto given = args.options.find(name);
  if (given == args.options.end() || OneOf(given->second, choices, which)) return true;
  *out = std::string(name) + " must be " + Listed(choices);
  return false;
}

bool HexWords(const Args &args, size_t from, std::vector<uint8_t> *bytes, std::string *out) {
  bytes->clear();
  for (size_t i = from; i < args.words.size(); ++i) {
    long value = 0;
    if (args.words[i].size() != 2 || !ParseNumber("0x" + args.words[i], &value)) {
      *out = "expected hex bytes like 06 FE FD";
      return false;
    }
    bytes->push_back(static_cast<uint8_t>(value));
  }
  return true;
}

bool Shape(const Args &args, size_t low, size_t high, std::initializer_list<const char *> options,
           std::string *out) {
  size_t which = 0;
  for (const auto &option : args.options) {
    if (!OneOf(option.first, options, &which)) {
      *out = "takes no option " + Printable(option.first);
      return false;
    }
  }
  long timeout = 0;
  if (!OptionNumber(args, "timeout", 0, INT32_MAX, &timeout, out)) return false;
  if (args.words.size() >= low && args.words.size() <= high) return true;
  if (high == 0) {
    *out = "takes no words";
  } else if (low == high) {
    *out = "expected " + std::to_string(low) + (low == 1 ? " word" : " words");
  } else {
    *out = "expected " + std::to_string(low) + " to " + std::to_string(high) + " words";
  }
  return false;
}

}  // namespace vreceiver::script
