// The user's actions in the pendant window, each run as the command line a
// script would use for it and echoed, with the gap since the line before, as
// the window's record: the same language the recorder writes.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>

#include "gbk_text.h"
#include "key_buttons.h"
#include "pendant/pendant_commands.h"
#include "pendant_resource.h"
#include "window_state.h"

namespace pendant_window {

namespace {

std::string On(bool on) { return on ? "on" : "off"; }

// The item data of the chosen entry, or -1 when none is chosen.
long Chosen(HWND dialog, int id) {
  const auto index = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  if (index < 0) return -1;
  return static_cast<long>(
      SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::string FieldText(HWND dialog, int id) {
  wchar_t text[64] = L"";
  GetDlgItemTextW(dialog, id, text, 64);
  return gbk::WideToUtf8(text);
}

uint8_t KeyCode(int id) { return static_cast<uint8_t>(id - IDC_PENDANT_KEY_FIRST + 1); }

void RunChoice(WindowState &w, const char *command, int id) {
  const long code = Chosen(w.dialog, id);
  if (code >= 0) RunAction(w, std::string(command) + " " + std::to_string(code));
}

}  // namespace

void Echo(WindowState &w, const std::string &line, bool gap) {
  std::lock_guard<std::mutex> lock(w.echoMutex);
  const uint64_t now = GetTickCount64();
  if (gap && w.lastEchoMs != 0 && now > w.lastEchoMs) {
    std::printf("pendant> sleep %llu\n", static_cast<unsigned long long>(now - w.lastEchoMs));
  }
  w.lastEchoMs = now;
  std::printf("pendant> %s\n", line.c_str());
  std::fflush(stdout);
}

void RunAction(WindowState &w, const std::string &line) {
  Echo(w, line, true);
  std::string out;
  const bool ok = w.interpreter.RunLine(line, &out);
  if (!out.empty()) std::printf("%s\n", out.c_str());
  if (!ok) std::printf("FAIL pendant window: %s\n", line.c_str());
  std::fflush(stdout);
}

void OnControl(WindowState &w, int id, int code) {
  if (code == CBN_SELCHANGE) {
    if (id == IDC_PENDANT_AXIS) RunChoice(w, "axis", id);
    if (id == IDC_PENDANT_STEP) RunChoice(w, "step", id);
    if (id == IDC_PENDANT_PRODUCT) {
      char line[32];
      std::snprintf(line, sizeof line, "product 0x%04lX", Chosen(w.dialog, id));
      if (Chosen(w.dialog, id) >= 0) RunAction(w, line);
    }
    return;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_PENDANT_PLAY:
    case IDC_PENDANT_PLAY_BROWSE:
      OnPlayControl(w, id);
      break;
    case IDC_PENDANT_WHEEL_ENABLE:
      RunAction(w, "wheel-enable " + On(Checked(w.dialog, id)));
      break;
    case IDC_PENDANT_ESTOP:
      RunAction(w, "estop " + On(Checked(w.dialog, id)));
      break;
    case IDC_PENDANT_PLUGGED:
      RunAction(w, Checked(w.dialog, id) ? "plug" : "unplug");
      break;
    case IDC_PENDANT_INFO_SET:
      RunAction(w, "info id=" + FieldText(w.dialog, IDC_PENDANT_DEVICE_ID) +
                       " channel=" + FieldText(w.dialog, IDC_PENDANT_CHANNEL));
      break;
    default:
      break;
  }
}

// Shift+click latches a key down (or lets a latched one go); a key pressed
// while another is latched goes down with it, as two keys at once.
void OnKeyPressed(WindowState &w, int id, bool shift) {
  const uint8_t key = KeyCode(id);
  if (key == w.heldKey) {
    w.heldKey = 0;
    RunAction(w, pendant::KeysLine(0, 0));
  } else if (shift && w.heldKey == 0) {
    w.heldKey = key;
    RunAction(w, pendant::KeysLine(key, 0));
  } else {
    w.pressedKey = key;
    RunAction(w, w.heldKey ? pendant::KeysLine(w.heldKey, key) : pendant::KeysLine(key, 0));
  }
}

void OnKeyReleased(WindowState &w, int id) {
  if (w.pressedKey == 0 || w.pressedKey != KeyCode(id)) return;
  w.pressedKey = 0;
  RunAction(w, pendant::KeysLine(w.heldKey, 0));
}

// The slider sends its value when let go (mouse or keys), not while dragged.
void OnRssiScroll(WindowState &w, int code) {
  const auto value = SendDlgItemMessageW(w.dialog, IDC_PENDANT_RSSI, TBM_GETPOS, 0, 0);
  SetDlgItemInt(w.dialog, IDC_PENDANT_RSSI_TEXT, static_cast<UINT>(value), FALSE);
  if (code == TB_ENDTRACK && value != w.receiver.Info().rssi) {
    RunAction(w, "info rssi=" + std::to_string(value));
  }
}

}  // namespace pendant_window
