#include "pendant_player.h"

#include "paced_sleep.h"

namespace pendant_window {

namespace {

// The file's lines, line ends removed; false when it cannot be read.
bool ReadLines(const std::wstring &path, std::vector<std::string> *lines) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0) {
    text.append(buffer, got);
  }
  CloseHandle(file);
  lines->clear();
  size_t start = 0;
  while (ok && start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
    start = end + 1;
  }
  return ok;
}

// The milliseconds of a sleep line, 0 for any other line.
uint64_t SleepMs(const std::string &line) {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
  std::string error;
  long ms = 0;
  if (!vreceiver::script::Tokenize(line, &words, &options, &error) || words.size() != 2 ||
      words[0] != "sleep" || !vreceiver::script::ParseNumber(words[1], &ms) || ms < 0) {
    return 0;
  }
  return static_cast<uint64_t>(ms);
}

bool IsCommand(const std::string &line) {
  const size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && line[first] != '#';
}

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
  std::vector<std::string> lines;
  if (path.empty()) {
    *error = "no file given";
    return false;
  }
  if (!ReadLines(path, &lines)) {
    *error = "cannot read the file (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  PlayProgress start;
  start.state = PlayProgress::State::kPlaying;
  start.lines = lines.size();
  for (const std::string &line : lines) start.totalMs += SleepMs(line);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    progress_ = start;
  }
  lines_ = std::move(lines);
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
  auto *player = static_cast<PendantPlayer *>(self);
  player->Play(player->speed_);
  return 0;
}

void PendantPlayer::Step(const std::function<void(PlayProgress &)> &change) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    change(progress_);
  }
  changed_();
}

// Runs the lines on this thread's own timeline; Stop() ends its sleeps.
void PendantPlayer::Play(double speed) {
  vreceiver::script::SetThreadSpeed(speed);
  vreceiver::script::SetThreadStop(stop_);
  using State = PlayProgress::State;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
      Step([](PlayProgress &p) { p.state = State::kStopped; });
      return;
    }
    const std::string &line = lines_[i];
    if (IsCommand(line)) echo_(line);
    std::string out;
    if (!interpreter_.RunLine(line, &out)) {
      const bool stopped = WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0;
      Step([&](PlayProgress &p) {
        p.state = stopped ? State::kStopped : State::kFailed;
        p.failure = "line " + std::to_string(i + 1) + " (" + line + "): " + out;
      });
      return;
    }
    const uint64_t slept = SleepMs(line);
    Step([&](PlayProgress &p) {
      p.linesRun = i + 1;
      p.playedMs += slept;
    });
  }
  Step([](PlayProgress &p) { p.state = State::kDone; });
}

}  // namespace pendant_window
