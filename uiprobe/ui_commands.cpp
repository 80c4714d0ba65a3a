#include "ui_commands.h"

#include "probe.h"
#include "text.h"
#include "ui_words.h"
#include "vreceiver/receiver.h"

namespace uiprobe {

namespace {

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

bool ExpectText(const Args &args, int id, const std::string &want, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  std::string text;
  if (WaitUntil([&] { return ControlText(main, id, &text) && text == want; }, args.Timeout())) {
    return true;
  }
  *out = "control " + std::to_string(id) + " shows \"" + text + "\"";
  return false;
}

// Waits until a number read from a control equals the expected one.
bool ExpectNumber(const Args &args, int id, long want, int (*read)(HWND, int), std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  int got = 0;
  if (WaitUntil([&] { return (got = read(main, id)) == want; }, args.Timeout())) return true;
  *out = "control " + std::to_string(id) + " has " + std::to_string(got);
  return false;
}

bool ExpectVisible(const Args &args, int id, bool want, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  if (WaitUntil([&] { return ControlVisible(main, id) == want; }, args.Timeout())) {
    return true;
  }
  *out = "control " + std::to_string(id) + (want ? " is hidden" : " is visible");
  return false;
}

bool ClickCommand(const Args &args, int id, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  if (Click(main, id)) return true;
  *out = "no control " + std::to_string(id);
  return false;
}

bool TypeCommand(const Args &args, int id, const std::string &text, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  if (SetControlText(main, id, text)) return true;
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

bool ExpectBox(const Args &args, const std::string &text, std::string *out) {
  HWND main = WaitMain(args, out);
  OwnedDialog dialog;
  if (!main || !WaitDialog(main, args, &dialog, out)) return false;
  bool ok = HasText(dialog, text);
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

bool About(const Args &args, const std::string &title, const std::string &line, std::string *out) {
  HWND main = WaitMain(args, out);
  OwnedDialog dialog;
  if (!main) return false;
  OpenAboutBox(main);
  if (!WaitDialog(main, args, &dialog, out)) return false;
  bool ok = dialog.title == title && HasText(dialog, line);
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

bool ChooseCommand(const Args &args, int id, const std::string &entry, std::string *out) {
  HWND main = WaitMain(args, out);
  if (!main) return false;
  if (Choose(main, id, entry)) return true;
  *out = "control " + std::to_string(id) + " has no entry \"" + entry + "\"";
  return false;
}

bool MoveCommand(const Args &args, int x, int y, std::string *out) {
  HWND main = WaitMain(args, out);
  if (main) MoveTo(main, x, y);
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

bool WheelCommand(const Args &args, int detents, TurnBy by, std::string *out) {
  HWND pendant = WaitPendant(args, out);
  return pendant && TurnWheel(pendant, detents, by);
}

bool KeyCommand(const Args &args, int code, bool down, bool shift, std::string *out) {
  HWND pendant = WaitPendant(args, out);
  if (!pendant) return false;
  if (PressKey(pendant, code, down, shift)) return true;
  *out = "no key " + std::to_string(code);
  return false;
}

// The LCD shows the four lines byte for byte (GBK), each space-padded to
// its width as the payload carries it.
bool ExpectLcd(const Args &args, const std::vector<std::string> &lines, std::string *out) {
  const std::vector<std::string> want = vreceiver::script::LcdLinesFromUtf8(lines);
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
  UiActions actions;
  actions.waitWindow = WaitShown;
  actions.show = [](const Args &args, std::string *out) {
    HWND main = WaitMain(args, out);
    if (main) *out = Describe(main);
    return main != nullptr;
  };
  actions.expectNoBox = ExpectNoBox;
  actions.close = CloseCommand;
  actions.click = ClickCommand;
  actions.expectText = ExpectText;
  actions.type = TypeCommand;
  actions.choose = ChooseCommand;
  actions.expectVisible = ExpectVisible;
  actions.expectScroll = [](const Args &args, int id, long want, std::string *out) {
    return ExpectNumber(args, id, want, ScrollPosition, out);
  };
  actions.expectCheck = [](const Args &args, int id, long want, std::string *out) {
    return ExpectNumber(args, id, want, CheckState, out);
  };
  actions.expectBox = ExpectBox;
  actions.about = About;
  actions.move = MoveCommand;
  actions.turnWheel = WheelCommand;
  actions.pressKey = KeyCommand;
  actions.expectLcd = ExpectLcd;
  AddUiCommands(in, actions);
}

}  // namespace uiprobe
