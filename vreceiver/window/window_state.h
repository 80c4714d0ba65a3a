// The pendant window's own state, kept with its dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "interpreter.h"
#include "pendant_player.h"
#include "vreceiver/receiver.h"

namespace pendant_window {

constexpr UINT WM_MODEL_CHANGED = WM_APP + 10;
constexpr UINT WM_PLAY_CHANGED = WM_APP + 11;

struct WindowState {
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
  // The play row plays recordings: their commands alone, on this receiver.
  std::unique_ptr<vreceiver::script::Interpreter> recording{};
  std::unique_ptr<PendantPlayer> player{};
  std::atomic<bool> playPosted{false};
  // The window's record: when its last line was echoed (0: none yet).
  std::mutex echoMutex{};
  uint64_t lastEchoMs = 0;
};

// pendant_view.cpp: the controls from the model.
void FillChoices(WindowState &w);
void RefreshView(WindowState &w);

// pendant_actions.cpp: the user's actions as commands.
void RunAction(WindowState &w, const std::string &line);
// Echoes a line to the window's record ("pendant> LINE"); with `gap`, after
// a "pendant> sleep MS" line with the time since the line before.
void Echo(WindowState &w, const std::string &line, bool gap);
void OnControl(WindowState &w, int id, int code);
void OnKeyPressed(WindowState &w, int id, bool shift);
void OnKeyReleased(WindowState &w, int id);
void OnRssiScroll(WindowState &w, int code);

// play_controls.cpp: playing a recording into the receiver.
void InitPlayControls(WindowState &w);
void OnPlayControl(WindowState &w, int id);
void ShowPlay(WindowState &w);

}  // namespace pendant_window
