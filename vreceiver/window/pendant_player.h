// Plays a recording into the receiver from the pendant window, on a thread
// of the player's own: the whole file is checked first (only a recording's
// commands, within the replay's bounds; a refused file plays nothing), then
// its lines run one after the other with the recording's gaps (its sleeps)
// at the chosen speed. Each line run is echoed as the window's own actions
// are, so the window's record holds what was played.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "interpreter.h"

namespace pendant_window {

struct PlayProgress {
  enum class State { kIdle, kPlaying, kDone, kStopped, kFailed };
  State state = State::kIdle;
  uint64_t linesRun = 0;
  uint64_t lines = 0;
  uint64_t playedMs = 0;  // the sleeps run so far, as recorded
  uint64_t totalMs = 0;   // all of them
  std::string failure;    // "FILE:LINE: what is wrong" of the refused or failed line
};

class PendantPlayer {
 public:
  // `recording` holds a recording's commands only; `echo` gets each line
  // as it runs; `changed` runs on the player's thread after every step
  // (the window posts itself a refresh).
  PendantPlayer(vreceiver::script::Interpreter &recording,
                std::function<void(const std::string &)> echo, std::function<void()> changed);
  ~PendantPlayer();
  PendantPlayer(const PendantPlayer &) = delete;
  PendantPlayer &operator=(const PendantPlayer &) = delete;

  // Starts checking, then playing, the file at `speed` (2: twice as fast);
  // false with the reason when it cannot be opened or a play is still
  // running.
  bool Start(const std::wstring &path, double speed, std::string *error);
  // Asks the play to end: a sleep ends at once, another command when it
  // is done.
  void Stop();
  // Waits up to `ms` for the play's thread to end.
  void Join(DWORD ms);
  PlayProgress Progress() const;

 private:
  static DWORD WINAPI ThreadMain(void *self);
  void Play();
  void Step(const std::function<void(PlayProgress &)> &change);

  vreceiver::script::Interpreter &interpreter_;
  std::function<void(const std::string &)> echo_;
  std::function<void()> changed_;
  HANDLE stop_ = nullptr;
  HANDLE thread_ = nullptr;
  std::wstring path_;
  double speed_ = 1;
  mutable std::mutex mutex_;
  PlayProgress progress_;
};

}  // namespace pendant_window
