#include "pendant_player.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "gbk_text.h"
#include "paced_sleep.h"
#include "replay.h"

namespace pendant_window {

namespace {

using vreceiver::script::Replay;
using vreceiver::script::ReplaySummary;

std::unique_ptr<std::ifstream> Open(const std::wstring &path) {
  return std::make_unique<std::ifstream>(std::filesystem::path(path), std::ios::binary);
}

bool Stopped(HANDLE stop) { return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

}  // namespace

PendantPlayer::PendantPlayer(vreceiver::script::Interpreter &interpreter,
                             std::function<void(const std::string &)> echo,
                             std::function<void()> changed)
    : interpreter_(interpreter), echo_(std::move(echo)), changed_(std::move(changed)) {
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

PendantPlayer::~PendantPlayer() {
  Stop();
  Join(INFINITE);
  CloseHandle(stop_);
}

bool PendantPlayer::Start(const std::wstring &path, double speed, std::string *error) {
  if (Progress().state == PlayProgress::State::kPlaying) {
    *error = "still playing";
    return false;
  }
  Join(INFINITE);  // a play that has ended is at most returning
  if (path.empty()) {
    *error = "no file given";
    return false;
  }
  if (!*Open(path)) {
    *error = "cannot read the file";
    return false;
  }
  PlayProgress start;
  start.state = PlayProgress::State::kPlaying;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    progress_ = start;
  }
  path_ = path;
  speed_ = speed;
  ResetEvent(stop_);
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  if (!thread_) {
    *error = "cannot start the player (error " + std::to_string(GetLastError()) + ")";
    Step([](PlayProgress &p) { p.state = PlayProgress::State::kIdle; });
    return false;
  }
  return true;
}

void PendantPlayer::Stop() { SetEvent(stop_); }

void PendantPlayer::Join(DWORD ms) {
  if (!thread_ || WaitForSingleObject(thread_, ms) != WAIT_OBJECT_0) return;
  CloseHandle(thread_);
  thread_ = nullptr;
}

PlayProgress PendantPlayer::Progress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}

DWORD WINAPI PendantPlayer::ThreadMain(void *self) {
  static_cast<PendantPlayer *>(self)->Play();
  return 0;
}

void PendantPlayer::Step(const std::function<void(PlayProgress &)> &change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    change(progress_);
  }
  changed_();
}

// Checks the whole file, then runs its lines on this thread's own
// timeline; Stop() ends its sleeps.
void PendantPlayer::Play() {
  using State = PlayProgress::State;
  const Replay replay(interpreter_,
                      gbk::WideToUtf8(std::filesystem::path(path_).filename().wstring()));
  ReplaySummary summary;
  std::string error;
  if (!replay.Check(*Open(path_), &summary, &error)) {
    Step([&](PlayProgress &p) {
      p.state = State::kFailed;
      p.failure = error;
    });
    return;
  }
  Step([&](PlayProgress &p) {
    p.lines = summary.lines;
    p.totalMs = summary.playMs;
  });
  vreceiver::script::SetThreadSpeed(speed_);
  vreceiver::script::SetThreadStop(
      [this](uint32_t ms) { return WaitForSingleObject(stop_, ms) == WAIT_OBJECT_0; });
  uint64_t lastMs = 0;
  const bool played = replay.Play(
      *Open(path_),
      [&](uint64_t number, const std::string &line) {
        Step([&](PlayProgress &p) {
          p.linesRun = number - 1;
          p.playedMs += lastMs;
        });
        if (Stopped(stop_)) return false;
        if (vreceiver::script::IsCommandLine(line)) echo_(line);
        lastMs = vreceiver::script::PlayedMs(line);
        return true;
      },
      &error);
  const bool stopped = Stopped(stop_);
  Step([&](PlayProgress &p) {
    if (played) {
      p.linesRun = summary.lines;
      p.playedMs += lastMs;
    }
    p.state = played ? State::kDone : stopped ? State::kStopped : State::kFailed;
    p.failure = error;
  });
}

}  // namespace pendant_window
