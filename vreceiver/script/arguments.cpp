#include "arguments.h"

namespace vreceiver::script {

bool Number(const Args &args, size_t index, long low, long high, long *value, std::string *out) {
  if (index >= args.words.size() || !ParseNumber(args.words[index], value) || *value < low ||
      *value > high) {
    *out = "expected a number from " + std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  return true;
}

bool OnOff(const Args &args, bool *on, std::string *out) {
  if (args.words.size() == 1 && (args.words[0] == "on" || args.words[0] == "off")) {
    *on = args.words[0] == "on";
    return true;
  }
  *out = "expected on or off";
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
  for (const auto &option : args.options) {
    bool known = false;
    for (const char *name : options) known = known || option.first == name;
    if (!known) {
      *out = "takes no option " + Printable(option.first);
      return false;
    }
  }
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
