// The ui- commands' words, checked here (portable, so the language's rules
// for them are tested natively); what each does once its words are right
// is the probe's (Win32), handed in as actions. The commands on a window's
// controls take window=tarvex (the default) or window=pendant; every
// command takes timeout=MS.
#pragma once

#include <functional>
#include <string>

#include "interpreter.h"

namespace uiprobe {

using vreceiver::script::Args;
using vreceiver::script::Handler;

// How ui-pendant-wheel turns the wheel: mouse-wheel notches, arrow keys,
// or a drag round its centre.
enum class TurnBy { kNotches, kKeys, kDrag };

struct UiActions {
  template <typename... Words>
  using Action = std::function<bool(const Args &, Words..., std::string *)>;
  // On the window the options name.
  Handler waitWindow, show, expectNoBox, close;
  Action<int> click;                                          // ID
  Action<int, const std::string &> expectText, type, choose;  // ID "TEXT"
  Action<int, bool> expectVisible;                            // ID yes|no
  Action<int, long> expectScroll, expectCheck;                // ID POS, ID 0|1
  Action<const std::string &> expectBox;                      // "TEXT"
  Action<const std::string &, const std::string &> about;     // "TITLE" "LINE"
  Action<int, int> move;                                      // X Y
  // On the pendant's window.
  Action<int, TurnBy> turnWheel;                       // detents, by=
  Action<int, bool, bool> pressKey;                    // code, down, with Shift
  Action<const std::vector<std::string> &> expectLcd;  // the four lines
};

void AddUiCommands(vreceiver::script::Interpreter &interpreter, const UiActions &actions);

}  // namespace uiprobe
