// The pendant window's player, in-process under Wine: it checks the whole
// file first and plays nothing of a refused one, runs a file's lines in
// order, echoes them, adds up the recorded time, stops in the middle of a
// long sleep at once, and says which line was wrong. Prints "N passed, N
// failed".
#include "pendant_player.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "paced_sleep.h"
#include "pendant_texts.h"
#include "recording_commands.h"
#include "wine_check.h"

namespace {

using pendant_window::PlayProgress;
using State = PlayProgress::State;

struct Fixture {
  vreceiver::script::Interpreter interpreter;
  std::vector<std::string> noted;  // by the player's thread, read once it ended
  std::vector<std::string> echoed;
  pendant_window::PendantPlayer player{
      interpreter, [this](const std::string &line) { echoed.push_back(line); }, [] {}};
  Fixture() {
    interpreter.AddChecked(
        "note", "", "",
        [this](const vreceiver::script::Args &args, vreceiver::script::Action *act, std::string *) {
          const std::string word = args.words.at(0);
          *act = [this, word](std::string *) {
            noted.push_back(word);
            return true;
          };
          return true;
        });
    vreceiver::script::AddSleep(interpreter);
  }
  bool Play(const std::vector<std::string> &lines, std::string *error) {
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    file = std::string(path) + "pendant_player_test.vr";
    FILE *out = std::fopen(file.c_str(), "wb");
    for (const std::string &line : lines) std::fprintf(out, "%s\r\n", line.c_str());
    std::fclose(out);
    return player.Start(std::wstring(file.begin(), file.end()), 1, error);
  }
  bool WaitState(State state) {
    return vreceiver::script::WaitUntil([&] { return player.Progress().state == state; }, 15000);
  }
  std::string file;
};

void PlaysEveryLineInOrder() {
  Fixture f;
  std::string error;
  CHECK(f.Play({"# a recording", "note a", "sleep 30", "note b", "", "sleep 5", "note c"}, &error));
  CHECK(f.WaitState(State::kDone));
  const PlayProgress done = f.player.Progress();
  CHECK(done.lines == 7 && done.linesRun == 7);
  CHECK(done.totalMs == 35 && done.playedMs == 35);
  CHECK((f.noted == std::vector<std::string>{"a", "b", "c"}));
  CHECK(
      (f.echoed == std::vector<std::string>{"note a", "sleep 30", "note b", "sleep 5", "note c"}));
  CHECK(pendant_window::PlayStatusText(done) == L"播放完 played to the end: 7 lines, 0.0 s");
}

// A stop during an hour's sleep ends the play there, not an hour later.
void StopEndsALongSleepAtOnce() {
  Fixture f;
  std::string error;
  CHECK(f.Play({"note a", "sleep 3600000", "note b"}, &error));
  CHECK(vreceiver::script::WaitUntil([&] { return f.player.Progress().linesRun == 1; }, 15000));
  CHECK(!f.player.Start(L"x", 1, &error) && error == "still playing");
  f.player.Stop();
  CHECK(f.WaitState(State::kStopped));
  f.player.Join(15000);
  CHECK((f.noted == std::vector<std::string>{"a"}));
  CHECK(pendant_window::PlayStatusText(f.player.Progress()) == L"已停止 stopped at line 2 of 3");
  // The player plays again after a stop.
  CHECK(f.Play({"note c"}, &error));
  CHECK(f.WaitState(State::kDone));
}

// A line no recording holds is refused before the first line plays.
void ARefusedLinePlaysNothingAndIsNamed() {
  Fixture f;
  std::string error;
  CHECK(f.Play({"note a", "sleep 100", "run cmd.exe", "note b"}, &error));
  CHECK(f.WaitState(State::kFailed));
  const PlayProgress failed = f.player.Progress();
  CHECK(failed.failure == "pendant_player_test.vr:3: 'run' is not a command a recording holds");
  CHECK(f.noted.empty() && f.echoed.empty());
  CHECK(pendant_window::PlayStatusText(failed).find(L"失败 failed at pendant_player_test.vr:3") ==
        0);
  PlayProgress playing = failed;
  playing.state = State::kPlaying;
  playing.playedMs = playing.totalMs = 100;
  CHECK(pendant_window::PlayStatusText(playing) == L"播放 playing 0.1 / 0.1 s");
  CHECK(!f.player.Start(L"Z:\\no\\such\\file.vr", 1, &error));
  CHECK(error.find("cannot read the file") == 0);
  CHECK(!f.player.Start(L"", 1, &error) && error == "no file given");
}

}  // namespace

int main() {
  PlaysEveryLineInOrder();
  StopEndsALongSleepAtOnce();
  ARefusedLinePlaysNothingAndIsNamed();
  return winecheck::Summary();
}
