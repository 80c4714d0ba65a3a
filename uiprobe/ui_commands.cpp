#include "ui_commands.h"

#include "probe.h"
#include "text.h"
#include "vreceiver/receiver.h"

namespace uiprobe {

namespace {

using vreceiver::script::Args;
using vreceiver::script::WaitUntil;

// A program under Wine can take a while to show its first window.
constexpr uint32_t kWindowTimeoutMs = 20000;

// Tarvex's main window, or the pendant's with the option window=pendant.
HWND (*Finder(const Args &args))() {
  auto it = args.options.find("window");
  return it != args.options.end() && it->second == "pendant" ? FindPendantWindow : FindTarvexWindow;
}

// The window, waiting for it within the command's time-out.
HWND WaitMain(const Args &args, std::string *out) {
  HWND main = nullptr;
  HWND (*find)() = Finder(args);
  WaitUntil([&] { return (main = find()) != nullptr; }, args.Timeout(kWindowTimeoutMs));
  if (!main)
    *out = find == FindPendantWindow ? "the pendant window is not there"
                                     : "the main window is not there";
  return main;
}

// The window is made before it is shown: a screenshot wants it shown.
bool WaitShown(const Args &args, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  if (WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, args.Timeout())) return true;
  *out = "the window is not shown";
  return false;
}

bool ControlId(const Args &args, size_t count, int *id, std::string *out) {
  long value = 0;
  if (args.words.size() != count || !vreceiver::script::ParseNumber(args.words[0], &value)) {
    *out = "expected a control id";
    return false;
  }
  *id = static_cast<int>(value);
  return true;
}

// The control id in the first of `count` words, and the main window.
bool Target(const Args &args, size_t count, HWND *main, int *id, std::string *out) {
  if (!ControlId(args, count, id, out)) return false;
  *main = WaitMain(args, out);
  return *main != nullptr;
}

bool ExpectText(const Args &args, std::string *out) {
  int id = 0;
  HWND main = nullptr;
  if (!Target(args, 2, &main, &id, out)) return false;
  std::string text;
  if (WaitUntil([&] { return ControlText(main, id, &text) && text == args.words[1]; },
                args.Timeout())) {
    return true;
  }
  *out = "control " + std::to_string(id) + " shows \"" + text + "\"";
  return false;
}

// Waits until a number read from a control equals the expected one.
bool ExpectNumber(const Args &args, std::string *out, int (*read)(HWND, int)) {
  int id = 0;
  long want = 0;
  HWND main = nullptr;
  if (!Target(args, 2, &main, &id, out)) return false;
  if (!vreceiver::script::ParseNumber(args.words[1], &want)) {
    *out = "expected a number";
    return false;
  }
  int got = 0;
  if (WaitUntil([&] { return (got = read(main, id)) == want; }, args.Timeout())) return true;
  *out = "control " + std::to_string(id) + " has " + std::to_string(got);
  return false;
}

bool ExpectVisible(const Args &args, std::string *out) {
  int id = 0;
  HWND main = nullptr;
  if (!Target(args, 2, &main, &id, out)) return false;
  if (args.words[1] != "yes" && args.words[1] != "no") {
    *out = "expected yes or no";
    return false;
  }
  bool want = args.words[1] == "yes";
  if (WaitUntil([&] { return ControlVisible(main, id) == want; }, args.Timeout())) {
    return true;
  }
  *out = "control " + std::to_string(id) + (want ? " is hidden" : " is visible");
  return false;
}

bool ClickCommand(const Args &args, std::string *out) {
  int id = 0;
  HWND main = nullptr;
  if (!Target(args, 1, &main, &id, out)) return false;
  if (Click(main, id)) return true;
  *out = "no control " + std::to_string(id);
  return false;
}

bool TypeCommand(const Args &args, std::string *out) {
  int id = 0;
  HWND main = nullptr;
  if (!Target(args, 2, &main, &id, out)) return false;
  if (SetControlText(main, id, args.words[1])) return true;
  *out = "cannot type into " + std::to_string(id);
  return false;
}

bool WaitDialog(HWND main, const Args &args, OwnedDialog *dialog, std::string *out) {
  if (WaitUntil([&] { return FindOwnedDialog(main, dialog); }, args.Timeout())) return true;
  *out = "no dialog owned by the main window";
  return false;
}

std::string DescribeDialog(const OwnedDialog &dialog) {
  std::string text = "dialog \"" + dialog.title + "\"";
  for (const std::string &line : dialog.texts) text += " \"" + line + "\"";
  return text;
}

bool HasText(const OwnedDialog &dialog, const std::string &want) {
  for (const std::string &text : dialog.texts) {
    if (text == want) return true;
  }
  return false;
}

// Presses OK and waits until the dialog has gone.
bool Dismiss(const OwnedDialog &dialog, const Args &args, std::string *out) {
  PressOk(dialog);
  if (WaitUntil([&] { return !IsWindow(dialog.window); }, args.Timeout())) return true;
  *out = "the dialog did not close";
  return false;
}

bool ExpectBox(const Args &args, std::string *out) {
  if (args.words.size() != 1) {
    *out = "expected the box's quoted text";
    return false;
  }
  HWND main = WaitMain(args, out);
  OwnedDialog dialog;
  if (!main || !WaitDialog(main, args, &dialog, out)) return false;
  bool ok = HasText(dialog, args.words[0]);
  *out = DescribeDialog(dialog);
  return Dismiss(dialog, args, out) && ok;
}

bool ExpectNoBox(const Args &args, std::string *out) {
  HWND main = WaitMain(args, out);
  OwnedDialog dialog;
  if (!main) return false;
  if (!FindOwnedDialog(main, &dialog)) return true;
  *out = "unexpected " + DescribeDialog(dialog);
  return false;
}

bool About(const Args &args, std::string *out) {
  if (args.words.size() != 2) {
    *out = "expected the About box's quoted title and one quoted line";
    return false;
  }
  HWND main = WaitMain(args, out);
  OwnedDialog dialog;
  if (!main) return false;
  OpenAboutBox(main);
  if (!WaitDialog(main, args, &dialog, out)) return false;
  bool ok = dialog.title == args.words[0] && HasText(dialog, args.words[1]);
  *out = DescribeDialog(dialog);
  return Dismiss(dialog, args, out) && ok;
}

bool CloseCommand(const Args &args, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  Close(main);
  HWND (*find)() = Finder(args);
  if (WaitUntil([&] { return find() == nullptr; }, args.Timeout())) return true;
  *out = "the window is still there";
  return false;
}

bool ChooseCommand(const Args &args, std::string *out) {
  int id = 0;
  HWND main = nullptr;
  if (!Target(args, 2, &main, &id, out)) return false;
  if (Choose(main, id, args.words[1])) return true;
  *out = "control " + std::to_string(id) + " has no entry \"" + args.words[1] + "\"";
  return false;
}

bool MoveCommand(const Args &args, std::string *out) {
  long x = 0, y = 0;
  if (args.words.size() != 2 || !vreceiver::script::ParseNumber(args.words[0], &x) ||
      !vreceiver::script::ParseNumber(args.words[1], &y)) {
    *out = "expected X Y";
    return false;
  }
  HWND main = WaitMain(args, out);
  if (main) MoveTo(main, static_cast<int>(x), static_cast<int>(y));
  return main != nullptr;
}

// ---- the pendant window ----

HWND WaitPendant(const Args &args, std::string *out) {
  HWND pendant = nullptr;
  WaitUntil([&] { return (pendant = FindPendantWindow()) != nullptr; },
            args.Timeout(kWindowTimeoutMs));
  if (!pendant) *out = "the pendant window is not there";
  return pendant;
}

bool WheelCommand(const Args &args, std::string *out) {
  long detents = 0;
  auto by = args.options.find("by");
  const std::string how = by == args.options.end() ? "notches" : by->second;
  if (args.words.size() != 1 || !vreceiver::script::ParseNumber(args.words[0], &detents) ||
      detents < -273 || detents > 273 || (how != "notches" && how != "keys" && how != "drag")) {
    *out = "expected detents from -273 to 273 and by=notches, keys or drag";
    return false;
  }
  const TurnBy turnBy = how == "keys"   ? TurnBy::kKeys
                        : how == "drag" ? TurnBy::kDrag
                                        : TurnBy::kNotches;
  HWND pendant = WaitPendant(args, out);
  return pendant && TurnWheel(pendant, static_cast<int>(detents), turnBy);
}

bool KeyCommand(const Args &args, std::string *out) {
  long code = 0;
  const std::string how = args.words.size() == 2 ? args.words[1] : "";
  if (!vreceiver::script::ParseNumber(args.words.empty() ? "" : args.words[0], &code) ||
      (how != "down" && how != "up" && how != "shift-down")) {
    *out = "expected a key code and down, up or shift-down";
    return false;
  }
  HWND pendant = WaitPendant(args, out);
  if (!pendant) return false;
  if (PressKey(pendant, static_cast<int>(code), how != "up", how == "shift-down")) return true;
  *out = "no key " + std::to_string(code);
  return false;
}

// The LCD shows the four lines byte for byte (GBK), each space-padded to
// its width as the payload carries it.
bool ExpectLcd(const Args &args, std::string *out) {
  if (args.words.size() != 4) {
    *out = "expected four quoted lines";
    return false;
  }
  const std::vector<std::string> want = vreceiver::script::LcdLinesFromUtf8(args.words);
  std::vector<std::string> got;
  HWND pendant = WaitPendant(args, out);
  if (!pendant) return false;
  if (WaitUntil([&] { return LcdLines(pendant, &got) && got == want; }, args.Timeout())) {
    return true;
  }
  *out = "the LCD shows";
  for (const std::string &line : got) {
    *out += "\n  |" + vreceiver::script::GbkToUtf8(line) + "| " + vreceiver::script::HexOf(line);
  }
  return false;
}

}  // namespace

void AddUiCommands(vreceiver::script::Interpreter &in) {
  in.Add("ui-wait-window", "ui-wait-window            wait until Tarvex's main window shows",
         WaitShown);
  in.Add("ui-show", "ui-show                   every control: id, class, visibility, text",
         [](const Args &args, std::string *out) {
           HWND main = WaitMain(args, out);
           if (main) *out = Describe(main);
           return main != nullptr;
         });
  in.Add("ui-expect-text", "ui-expect-text ID \"TEXT\"  wait until the control shows TEXT",
         ExpectText);
  in.Add("ui-expect-visible",
         "ui-expect-visible ID yes|no   wait until the control is shown/hidden", ExpectVisible);
  in.Add(
      "ui-expect-scroll", "ui-expect-scroll ID POS   wait until the scroll bar is at POS",
      [](const Args &args, std::string *out) { return ExpectNumber(args, out, ScrollPosition); });
  in.Add("ui-expect-check", "ui-expect-check ID 0|1    wait until the check box has this state",
         [](const Args &args, std::string *out) { return ExpectNumber(args, out, CheckState); });
  in.Add("ui-click", "ui-click ID               click a button (BM_CLICK)", ClickCommand);
  in.Add("ui-type", "ui-type ID \"TEXT\"         set an edit field's text (WM_SETTEXT)",
         TypeCommand);
  in.Add("ui-expect-box", "ui-expect-box \"TEXT\"      wait for a message box with TEXT, press OK",
         ExpectBox);
  in.Add("ui-expect-no-box", "ui-expect-no-box          no message box is open now", ExpectNoBox);
  in.Add("ui-about", "ui-about \"TITLE\" \"LINE\"   open the About box, check it, press OK", About);
  in.Add("ui-close", "ui-close                  close the main window and wait until it is gone",
         CloseCommand);
  in.Add("ui-choose", "ui-choose ID \"TEXT\"       choose the combo box entry starting with TEXT",
         ChooseCommand);
  in.Add("ui-move", "ui-move X Y               move the window to X, Y on the screen", MoveCommand);
  in.Add("ui-pendant-wheel",
         "ui-pendant-wheel N [by=keys|drag]   turn the pendant's wheel N detents (mouse-wheel "
         "notches, arrow keys or a drag)",
         WheelCommand);
  in.Add("ui-pendant-key", "ui-pendant-key K down|up|shift-down   a key of the pendant's keypad",
         KeyCommand);
  in.Add("ui-pendant-expect-lcd",
         "ui-pendant-expect-lcd \"L1\" \"L2\" \"L3\" \"L4\"   wait until the LCD shows these",
         ExpectLcd);
}

}  // namespace uiprobe
