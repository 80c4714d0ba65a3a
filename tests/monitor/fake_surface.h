// A window surface that records what the logic does to the window.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor_dialog.h"
#include "resource.h"
#include "window_surface.h"

namespace tarvex::testing {

struct PostedMessage {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

class FakeSurface : public WindowSurface {
 public:
  void *Handle() const override { return handle; }
  std::string ControlText(int id) const override {
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
  }
  void SetControlText(int id, const std::string &text) override {
    if (onText) onText(id, text);
    texts[id] = text;
    ++textWrites[id];
    if (id == IDC_RSSI_THRESHOLD) Note("threshold:" + text);
  }
  void BindControl(int id) override { bound.push_back(id); }
  void ShowControl(int id, bool visible) override { shown[id] = visible; }
  void SetLabelBackground(int id, uint32_t colorRef) override { colors[id] = colorRef; }
  void FocusControl(int id) override { focus = id; }
  void SetScrollRange(int id, int minimum, int maximum) override {
    scrollRange[id] = {minimum, maximum};
    Note("scroll-range");
  }
  void SetScrollPos(int id, int position) override { scrollPos[id] = position; }
  void InvalidateControl(int id) override { ++invalidated[id]; }
  void SetCheck(int id, bool checked) override { checks[id] = checked; }
  void ShowMessage(const std::string &text, MessageIcon icon) override {
    messages.emplace_back(text, icon);
  }
  bool PostToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    posted.push_back({message, wParam, lParam});
    return true;
  }
  bool PostedMessageWaiting() const override {
    ++queueChecks;
    return messageWaiting;
  }
  uint64_t SteadyMilliseconds() const override { return nowMs; }
  uint32_t StartTimer(uint32_t id, uint32_t periodMs) override {
    timerPeriods[id] = periodMs;
    Note("timer-start");
    if (id == kShowTimerId && !showTimerWorks) return 0;
    return timerWorks ? id : 0;
  }
  void StopTimer(uint32_t id) override {
    stoppedTimers.push_back(id);
    Note("timer-stop");
  }
  void AddSystemMenuItem(uint32_t commandId, uint32_t stringId) override {
    menuItems.emplace_back(commandId, stringId);
  }
  void ShowAboutBox() override { ++aboutBoxes; }
  IconHandle LoadAppIcon(int resourceId) override {
    loadedIcons.push_back(resourceId);
    return appIcon;
  }
  void SetWindowIcon(IconSize size, IconHandle icon) override {
    windowIcons[size] = icon;
    Note(size == IconSize::kBig ? "icon-big" : "icon-small");
  }
  void DefaultDestroy() override { Note("default-destroy"); }

  // Refreshes seen so far: only a refresh writes the line-1 field.
  int Refreshes(int probeId) const {
    auto it = textWrites.find(probeId);
    return it == textWrites.end() ? 0 : it->second;
  }

  // With a log set, the calls whose order matters are noted in it (the fake
  // library's call list, to see both in one order).
  std::vector<std::string> *log = nullptr;

  void *handle = reinterpret_cast<void *>(uintptr_t{0x1234});
  IconHandle appIcon = reinterpret_cast<IconHandle>(uintptr_t{0x5678});
  bool timerWorks = true;
  // The show timer fails unless a test wants it: every input is then
  // redrawn at once (the window's way without it), as most tests expect.
  bool showTimerWorks = false;
  // What the window's queue holds after the message being handled; the
  // tests deliver `posted` themselves (Pump) and set this.
  bool messageWaiting = false;
  mutable int queueChecks = 0;
  // Called with each text set, before it is stored.
  std::function<void(int id, const std::string &text)> onText;
  uint64_t nowMs = 1000;
  std::map<int, std::string> texts;
  std::map<int, int> textWrites;
  std::vector<int> bound;
  std::map<int, bool> shown;
  std::map<int, uint32_t> colors;
  int focus = 0;
  std::map<int, std::pair<int, int>> scrollRange;
  std::map<int, int> scrollPos;
  std::map<int, int> invalidated;
  std::map<int, bool> checks;
  std::vector<std::pair<std::string, MessageIcon>> messages;
  std::deque<PostedMessage> posted;
  std::map<uint32_t, uint32_t> timerPeriods;
  std::vector<uint32_t> stoppedTimers;
  std::vector<std::pair<uint32_t, uint32_t>> menuItems;
  int aboutBoxes = 0;
  std::vector<int> loadedIcons;
  std::map<IconSize, IconHandle> windowIcons;

 private:
  void Note(const std::string &what) {
    if (log != nullptr) log->push_back(what);
  }
};

}  // namespace tarvex::testing
