#include "ui_words.h"

#include <cstdint>

#include "arguments.h"

namespace uiprobe {

namespace {

using vreceiver::script::Choice;
using vreceiver::script::Number;
using vreceiver::script::OptionChoice;
using vreceiver::script::Shape;

// A command on a window of exactly `words` words.
bool OnWindow(const Args &a, size_t words, std::string *out) {
  size_t which = 0;
  return Shape(a, words, words, {"window", "timeout"}, out) &&
         OptionChoice(a, "window", {"tarvex", "pendant"}, &which, out);
}

Handler Plain(Handler action) {
  return
      [action](const Args &a, std::string *out) { return OnWindow(a, 0, out) && action(a, out); };
}

// A command on control ID (the first of `words` words); `rest` checks the
// words after it and acts.
Handler OnControl(size_t words, UiActions::Action<int> rest) {
  return [words, rest](const Args &a, std::string *out) {
    long id = 0;  // a dialog's control ids are 16 bits
    return OnWindow(a, words, out) && Number(a, 0, 0, 0xFFFF, &id, out) &&
           rest(a, static_cast<int>(id), out);
  };
}

UiActions::Action<int> WithText(UiActions::Action<int, const std::string &> action) {
  return
      [action](const Args &a, int id, std::string *out) { return action(a, id, a.words[1], out); };
}

UiActions::Action<int> WithNumber(long low, long high, UiActions::Action<int, long> action) {
  return [low, high, action](const Args &a, int id, std::string *out) {
    long value = 0;
    return Number(a, 1, low, high, &value, out) && action(a, id, value, out);
  };
}

bool Visible(const UiActions &act, const Args &a, int id, std::string *out) {
  size_t which = 0;  // yes, no
  return Choice(a, 1, {"yes", "no"}, &which, out) && act.expectVisible(a, id, which == 0, out);
}

bool Move(const UiActions &act, const Args &a, std::string *out) {
  long x = 0, y = 0;  // screen coordinates
  return OnWindow(a, 2, out) && Number(a, 0, INT16_MIN, INT16_MAX, &x, out) &&
         Number(a, 1, INT16_MIN, INT16_MAX, &y, out) &&
         act.move(a, static_cast<int>(x), static_cast<int>(y), out);
}

// The wheel's 273 detents are one turn's worth and more of any selector.
bool Wheel(const UiActions &act, const Args &a, std::string *out) {
  long detents = 0;
  size_t by = 0;  // notches, keys, drag
  return Shape(a, 1, 1, {"by", "timeout"}, out) && Number(a, 0, -273, 273, &detents, out) &&
         OptionChoice(a, "by", {"notches", "keys", "drag"}, &by, out) &&
         act.turnWheel(a, static_cast<int>(detents), static_cast<TurnBy>(by), out);
}

bool Key(const UiActions &act, const Args &a, std::string *out) {
  long code = 0;
  size_t how = 0;  // down, up, shift-down
  return Shape(a, 2, 2, {"timeout"}, out) && Number(a, 0, 0, 255, &code, out) &&
         Choice(a, 1, {"down", "up", "shift-down"}, &how, out) &&
         act.pressKey(a, static_cast<int>(code), how != 1, how == 2, out);
}

}  // namespace

void AddUiCommands(vreceiver::script::Interpreter &in, const UiActions &act) {
  using std::placeholders::_1;
  using std::placeholders::_2;
  using std::placeholders::_3;
  in.Add("ui-wait-window", "", "wait until the window shows", Plain(act.waitWindow));
  in.Add("ui-show", "", "every control: id, class, visibility, text", Plain(act.show));
  in.Add("ui-expect-text", "ID \"TEXT\"", "wait until the control shows TEXT",
         OnControl(2, WithText(act.expectText)));
  in.Add("ui-expect-visible", "ID yes|no", "wait until the control is shown/hidden",
         OnControl(2, std::bind(Visible, act, _1, _2, _3)));
  in.Add("ui-expect-scroll", "ID POS", "wait until the scroll bar is at POS",
         OnControl(2, WithNumber(INT32_MIN, INT32_MAX, act.expectScroll)));
  in.Add("ui-expect-check", "ID 0|1", "wait until the check box has this state",
         OnControl(2, WithNumber(0, 1, act.expectCheck)));
  in.Add("ui-click", "ID", "click a button (BM_CLICK)", OnControl(1, act.click));
  in.Add("ui-type", "ID \"TEXT\"", "set an edit field's text (WM_SETTEXT)",
         OnControl(2, WithText(act.type)));
  in.Add("ui-expect-box", "\"TEXT\"", "wait for a message box with TEXT, press OK",
         [act](const Args &a, std::string *out) {
           return OnWindow(a, 1, out) && act.expectBox(a, a.words[0], out);
         });
  in.Add("ui-expect-no-box", "", "no message box is open now", Plain(act.expectNoBox));
  in.Add("ui-about", "\"TITLE\" \"LINE\"", "open the About box, check it, press OK",
         [act](const Args &a, std::string *out) {
           return OnWindow(a, 2, out) && act.about(a, a.words[0], a.words[1], out);
         });
  in.Add("ui-close", "", "close the window and wait until it is gone", Plain(act.close));
  in.Add("ui-choose", "ID \"TEXT\"", "choose the combo box entry starting with TEXT",
         OnControl(2, WithText(act.choose)));
  in.Add("ui-move", "X Y", "move the window to X, Y on the screen", std::bind(Move, act, _1, _2));
  in.Add("ui-pendant-wheel", "N [by=keys|drag]",
         "turn the pendant's wheel N detents (mouse-wheel notches, arrow keys or a drag)",
         std::bind(Wheel, act, _1, _2));
  in.Add("ui-pendant-key", "K down|up|shift-down", "a key of the pendant's keypad",
         std::bind(Key, act, _1, _2));
  in.Add("ui-pendant-expect-lcd", "\"L1\" \"L2\" \"L3\" \"L4\"", "wait until the LCD shows these",
         [act](const Args &a, std::string *out) {
           return Shape(a, 4, 4, {"timeout"}, out) && act.expectLcd(a, a.words, out);
         });
}

}  // namespace uiprobe
