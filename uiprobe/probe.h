// Looks at and drives Tarvex's main window, and the virtual pendant's
// window, from another process with plain window messages: control texts,
// visibility, the bar's position, the check mark, clicks, typing, choices,
// the About box, message boxes and closing; on the pendant the wheel, the
// keys and the LCD.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui_words.h"

namespace uiprobe {

// Tarvex's main window, found by its title; null when it is not there.
HWND FindTarvexWindow();
// The virtual pendant's window, found by its class; null when not there.
HWND FindPendantWindow();
HWND Control(HWND main, int id);

// The control's text in UTF-8 (read as UTF-16 with WM_GETTEXT).
bool ControlText(HWND main, int id, std::string *utf8);
bool SetControlText(HWND main, int id, const std::string &utf8);
bool ControlVisible(HWND main, int id);
int ScrollPosition(HWND main, int id);
int CheckState(HWND main, int id);
// Posts BM_CLICK, so a handler that opens a message box does not block us.
bool Click(HWND main, int id);
void OpenAboutBox(HWND main);
// Chooses the entry of a combo box whose text starts with `utf8`, as a
// user would (the owner is told of the change).
bool Choose(HWND main, int id, const std::string &utf8);
void MoveTo(HWND main, int x, int y);

// The pendant: the handwheel turned N detents (positive clockwise) by
// mouse-wheel notches, by arrow keys, or by a drag round its centre; a
// key's button going down (with Shift or not) or up.
bool TurnWheel(HWND pendant, int detents, TurnBy by);
bool PressKey(HWND pendant, int keyCode, bool down, bool shift);
// The LCD's four lines as GBK bytes.
bool LcdLines(HWND pendant, std::vector<std::string> *gbk);
void Close(HWND main);

// A dialog owned by the main window (a message box or the About box).
struct OwnedDialog {
  HWND window = nullptr;
  std::string title;
  std::vector<std::string> texts;  // its static texts, in child order
};
bool FindOwnedDialog(HWND main, OwnedDialog *dialog);
// Presses the dialog's OK button.
void PressOk(const OwnedDialog &dialog);

// One line per control: id, class, visibility, text (UTF-8) and its GBK bytes.
std::string Describe(HWND main);

}  // namespace uiprobe
