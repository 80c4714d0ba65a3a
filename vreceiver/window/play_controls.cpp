// The pendant window's play controls: the recording's file (typed, or
// chosen with "..."), the speed, play and stop, and how far the play got,
// as a bar (of the recorded time) and in words.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>

#include "gbk_text.h"
#include "pendant_resource.h"
#include "pendant_texts.h"
#include "recording_commands.h"
#include "window_state.h"

namespace pendant_window {

namespace {

struct Speed {
  const wchar_t *label;
  LPARAM tenths;
};
constexpr Speed kSpeeds[] = {{L"0.5x", 5}, {L"1x", 10}, {L"2x", 20}, {L"4x", 40}, {L"10x", 100}};
constexpr int kDefaultSpeed = 1;  // 1x
constexpr int kProgressRange = 1000;

std::wstring FieldText(HWND dialog, int id) {
  HWND field = GetDlgItem(dialog, id);
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(field, &text[0], static_cast<int>(text.size()))));
  return text;
}

double ChosenSpeed(HWND dialog) {
  const auto index = SendDlgItemMessageW(dialog, IDC_PENDANT_PLAY_SPEED, CB_GETCURSEL, 0, 0);
  if (index < 0) return 1;
  return static_cast<double>(SendDlgItemMessageW(dialog, IDC_PENDANT_PLAY_SPEED, CB_GETITEMDATA,
                                                 static_cast<WPARAM>(index), 0)) /
         10;
}

void Browse(WindowState &w) {
  wchar_t path[MAX_PATH] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = w.dialog;
  dialog.lpstrFilter = L"录制 recordings (*.vr)\0*.vr\0所有文件 all files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetOpenFileNameW(&dialog)) SetDlgItemTextW(w.dialog, IDC_PENDANT_PLAY_FILE, path);
}

void TogglePlay(WindowState &w) {
  if (w.player->Progress().state == PlayProgress::State::kPlaying) {
    w.player->Stop();
    return;
  }
  const std::wstring path = FieldText(w.dialog, IDC_PENDANT_PLAY_FILE);
  const double speed = ChosenSpeed(w.dialog);
  std::string error;
  if (!w.player->Start(path, speed, &error)) {
    SetDlgItemTextW(w.dialog, IDC_PENDANT_PLAY_STATUS,
                    (L"无法播放 cannot play: " + gbk::Utf8ToWide(error)).c_str());
    return;
  }
  std::printf("pendant: playing %s at %gx\n", gbk::WideToUtf8(path).c_str(), speed);
  std::fflush(stdout);
  ShowPlay(w);
}

}  // namespace

void InitPlayControls(WindowState &w) {
  HWND speeds = GetDlgItem(w.dialog, IDC_PENDANT_PLAY_SPEED);
  for (const Speed &speed : kSpeeds) {
    const auto index = SendMessageW(speeds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(speed.label));
    SendMessageW(speeds, CB_SETITEMDATA, static_cast<WPARAM>(index), speed.tenths);
  }
  SendMessageW(speeds, CB_SETCURSEL, kDefaultSpeed, 0);
  SendDlgItemMessageW(w.dialog, IDC_PENDANT_PLAY_PROGRESS, PBM_SETRANGE32, 0, kProgressRange);
  // The player tells the window after each line; one notice waits at most.
  w.recording = std::make_unique<vreceiver::script::Interpreter>();
  vreceiver::script::AddRecordingCommands(*w.recording, w.receiver);
  w.player = std::make_unique<PendantPlayer>(
      *w.recording, [&w](const std::string &line) { Echo(w, line, false); },
      [&w] {
        if (!w.playPosted.exchange(true)) PostMessageW(w.dialog, WM_PLAY_CHANGED, 0, 0);
      });
}

void OnPlayControl(WindowState &w, int id) {
  if (id == IDC_PENDANT_PLAY_BROWSE) Browse(w);
  if (id == IDC_PENDANT_PLAY) TogglePlay(w);
}

void ShowPlay(WindowState &w) {
  w.playPosted = false;
  const PlayProgress progress = w.player->Progress();
  const bool playing = progress.state == PlayProgress::State::kPlaying;
  SetDlgItemTextW(w.dialog, IDC_PENDANT_PLAY, playing ? L"停止 stop" : L"播放 play");
  SetDlgItemTextW(w.dialog, IDC_PENDANT_PLAY_STATUS, PlayStatusText(progress).c_str());
  uint64_t done = progress.playedMs, all = progress.totalMs;
  if (all == 0) done = progress.linesRun, all = progress.lines;
  const auto position = all == 0 ? 0 : static_cast<WPARAM>(done * kProgressRange / all);
  SendDlgItemMessageW(w.dialog, IDC_PENDANT_PLAY_PROGRESS, PBM_SETPOS, position, 0);
}

}  // namespace pendant_window
