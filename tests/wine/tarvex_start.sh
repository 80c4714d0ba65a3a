#!/usr/bin/env bash
# Starts Tarvex.exe under Wine, waits for its main window, takes a
# screenshot, closes the window and waits for the program to end.
#   tarvex_start.sh <Tarvex.exe> <uiprobe.exe> <screenshot.png|-> [working dir]
# Every wait is bounded. With TARVEX_STDOUT set, the program's standard
# output is kept in that file; with TARVEX_LIBRARY set, that MQD7RA.dll is
# put beside the program first when none is there.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ -n "${DISPLAY:-}" ] || exec "$here/../../scripts/with-xvfb.sh" "$0" "$@"
exe=$1 probe=$2 shot=$3 workdir=${4:-$(dirname "$1")}
# A 32-bit program on a host that runs none: skipped (77), with the reason.
"$here/../../scripts/wine-run.sh" --can-run "$exe" || exit
if [ -n "${TARVEX_LIBRARY:-}" ] && [ ! -e "$(dirname "$exe")/MQD7RA.dll" ]; then
  cp "$TARVEX_LIBRARY" "$(dirname "$exe")/MQD7RA.dll"
fi
run() { "$here/../../scripts/wine-run.sh" "$@"; }

out=${TARVEX_STDOUT:-/dev/null}
(cd "$workdir" && exec "$here/../../scripts/wine-run.sh" "$exe") >"$out" &
pid=$!

if ! run "$probe" "ui-wait-window timeout=30000" >/dev/null; then
  echo "main window did not show"; kill "$pid" 2>/dev/null; exit 1
fi
if [ "$shot" != - ]; then
  mkdir -p "$(dirname "$shot")"
  import -window root "$shot"
  echo "screenshot: $shot"
fi
if ! run "$probe" "ui-close timeout=15000" >/dev/null; then
  echo "main window did not close"; kill "$pid" 2>/dev/null; exit 1
fi
if ! timeout 20 tail --pid="$pid" -f /dev/null; then
  echo "Tarvex.exe did not end"; kill "$pid" 2>/dev/null; exit 1
fi
wait "$pid"
