#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb server of its own, which
# ends with the command. TARVEX_XVFB_SCREEN sets its size (WxHxDEPTH).
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 7 -screen 0 "${TARVEX_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r -t 20 display <"$fifo"
export DISPLAY=":$display"
"$@"
