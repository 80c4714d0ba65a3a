#include "pacing_words.h"

#include <algorithm>
#include <cctype>

#include "arguments.h"

namespace vreceiver::script {

namespace {

// A mark is a row of the timings file and a snapshot a file name: one word
// of letters, digits, - and _ keeps both whole.
bool Name(const Args &a, std::string *out) {
  const std::string &name = a.words[0];
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
  });
  if (!plain) *out = "expected a name of letters, digits, - and _";
  return plain;
}

}  // namespace

void AddPacingCommands(Interpreter &in, const PacingActions &act) {
  in.Add("timings", "FILE", "write when reports went out and lines came in",
         [act](const Args &a, std::string *out) {
           return Shape(a, 1, 1, {}, out) && act.timings(a, a.words[0], out);
         });
  in.Add("mark", "NAME", "note this moment for timings", [act](const Args &a, std::string *out) {
    return Shape(a, 1, 1, {}, out) && Name(a, out) && act.mark(a, a.words[0], out);
  });
  in.Add("snapshot", "NAME", "ask the demo for a screenshot and wait for it",
         [act](const Args &a, std::string *out) {
           return Shape(a, 1, 1, {"timeout"}, out) && Name(a, out) &&
                  act.snapshot(a, a.words[0], out);
         });
  in.Add("echo", "TEXT..", "print the words", [](const Args &a, std::string *out) {
    if (!Shape(a, 0, SIZE_MAX, {}, out)) return false;
    for (const std::string &word : a.words) *out += (out->empty() ? "" : " ") + word;
    return true;
  });
}

}  // namespace vreceiver::script
