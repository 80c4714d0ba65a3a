// The checks of a command's words that many commands share; each fills
// `out` with what was expected when the words are wrong.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "interpreter.h"

namespace vreceiver::script {

// Word `index` is a number from `low` to `high`.
bool Number(const Args &args, size_t index, long low, long high, long *value, std::string *out);
// The only word is on or off.
bool OnOff(const Args &args, bool *on, std::string *out);
// Word `index` is one of `choices`; `which` is its place among them.
bool Choice(const Args &args, size_t index, std::initializer_list<const char *> choices,
            size_t *which, std::string *out);
// Option `name`, when given, is a number from `low` to `high`; when not,
// `value` keeps what it had.
bool OptionNumber(const Args &args, const char *name, long low, long high, long *value,
                  std::string *out);
// Option `name`, when given, is one of `choices`; when not, `which` keeps
// what it had.
bool OptionChoice(const Args &args, const char *name, std::initializer_list<const char *> choices,
                  size_t *which, std::string *out);
// The words from `from` on are hex bytes ("06 FE FD").
bool HexWords(const Args &args, size_t from, std::vector<uint8_t> *bytes, std::string *out);
// From `low` to `high` words, and no options but these; a timeout= among
// them is milliseconds within 32 bits.
bool Shape(const Args &args, size_t low, size_t high, std::initializer_list<const char *> options,
           std::string *out);

}  // namespace vreceiver::script
