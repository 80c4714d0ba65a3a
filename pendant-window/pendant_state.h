// The pendant window's own state, kept with its dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "interpreter.h"
#include "vreceiver/receiver.h"

namespace pendant_window {

constexpr UINT WM_MODEL_CHANGED = WM_APP + 10;

struct PendantWindow {
  vreceiver::script::Interpreter &interpreter;
  vreceiver::Receiver &receiver;
  std::function<void()> onClosed;
  HWND dialog = nullptr;
  HFONT lcdFont = nullptr;
  HBRUSH lcdBrush = nullptr;
  size_t logShown = 0;     // feature events already in the log list
  uint8_t heldKey = 0;     // a key latched down with Shift+click
  uint8_t pressedKey = 0;  // a key held down with the mouse
  // The choices as last shown: a choice is set from the model only when the
  // model's value changed, so that a refresh for another change does not
  // undo a choice whose notification is still on its way.
  int shownAxis = -1, shownStep = -1, shownProduct = -1;
  std::atomic<bool> refreshPosted{false};
  std::atomic<bool> closing{false};
};

// pendant_view.cpp: the controls from the model.
void FillChoices(PendantWindow &w);
void RefreshView(PendantWindow &w);

// pendant_actions.cpp: the user's actions as commands.
void RunAction(PendantWindow &w, const std::string &line);
void OnControl(PendantWindow &w, int id, int code);
void OnKeyPressed(PendantWindow &w, int id, bool shift);
void OnKeyReleased(PendantWindow &w, int id);
void OnRssiScroll(PendantWindow &w, int code);

}  // namespace pendant_window
