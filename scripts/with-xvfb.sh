#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb server of its own, with a
# small window manager (openbox) on it, as on a desktop; both end with the
# command. TARVEX_XVFB_SCREEN sets its size (WxHxDEPTH).
#
# The window manager gives windows their frames and title bars, and it
# answers when a window is hidden: Wine's X11 driver hides a closing window
# and waits up to 2 s for a window manager to confirm it, so without one
# every window close (Tarvex's, an About box's) took 2 s.
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
# A private configuration folder: no user's openbox settings, no autostart.
config=$(mktemp -d)
Xvfb -displayfd 7 -screen 0 "${TARVEX_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
xvfb=$!
wm=
trap 'kill $wm $xvfb 2>/dev/null; rm -rf "$fifo" "$config"' EXIT
read -r -t 20 display <"$fifo"
export DISPLAY=":$display"

XDG_CONFIG_HOME=$config openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The window manager runs once it names itself on the root window (bounded:
# a command started before it would see windows without frames). On a host
# busy with builds its start has taken over 10 s, so the bound is a minute.
managing() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
for _ in $(seq 1200); do
  if managing; then break; fi
  kill -0 $wm 2>/dev/null || { echo "with-xvfb: the window manager ended at its start" >&2; exit 1; }
  sleep 0.05
done
managing || { echo "with-xvfb: the window manager did not start within a minute" >&2; exit 1; }
"$@"
