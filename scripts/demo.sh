#!/usr/bin/env bash
# The monitor with a virtual pendant: installs what is missing, builds the
# Windows binaries it needs, starts the virtual receiver with its pendant
# window and a scripted pendant session, and runs Tarvex.exe under Wine
# against it, the two windows side by side. On the user's display when
# DISPLAY is set (the windows stay until closed), otherwise under Xvfb.
# Screenshots of both windows go to artifacts/demo/ (or $1).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# shellcheck source=wine-env.sh
. scripts/wine-env.sh
preset=mingw-x86_64
bin=$root/build/$preset/bin
out=$(mkdir -p "${1:-artifacts/demo}" && cd "${1:-artifacts/demo}" && pwd)

if [ "${TARVEX_DEMO_INNER:-}" != 1 ]; then
  scripts/setup.sh
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target MQD7RA Tarvex vreceiver tarvexvr vrinstall
  scripts/wine-prefix.sh
  rm -f "$out"/*.png
  export TARVEX_DEMO_INNER=1
  # The session runs with a wine server of the prefix's own (the virtual
  # receiver's driver lives in it), on the display it shows on.
  if [ -n "${DISPLAY:-}" ]; then
    exec scripts/wine-prefix.sh "$0" "$out" user
  fi
  export TARVEX_XVFB_SCREEN=1600x900x24  # room for both windows side by side
  exec scripts/with-xvfb.sh scripts/wine-prefix.sh "$0" "$out" closes
fi

# Saves the window whose title holds TEXT as FILE; false if it is not there.
save_window() {
  local id
  id=$(xwininfo -root -tree 2>/dev/null | grep -a "\".*$1" | head -1 | awk '{print $1}')
  [ -n "$id" ] && import -window "$id" "$2" 2>/dev/null
}

# Saves Tarvex's window as NAME.png (the whole screen if it is not there),
# the pendant's window as NAME-pendant.png and the screen with both as
# NAME-both.png. The receiver waits for NAME.png, so it is written last.
snapshot() {
  save_window 'virtual pendant' "$out/$1-pendant.png" || true
  import -window root -trim +repage "$out/$1-both.png"
  save_window 'NVT MQDZA' "$out/tmp-$1.png" || import -window root "$out/tmp-$1.png"
  mv "$out/tmp-$1.png" "$out/$1.png"
  echo "demo: saved $out/$1.png, $1-pendant.png and $1-both.png"
}

finish=$root/vreceiver/demo/finish-${2:-closes}.vr
export TARVEX_SNAPSHOT_DIR
TARVEX_SNAPSHOT_DIR=$(WINEPREFIX=${TARVEX_WINEPREFIX:-$root/build/wine-prefix} tarvex_winepath "$out" 2>/dev/null)
cd "$bin"
# The receiver's exit status goes through a file: the output can end (all
# its lines read) before the receiver's status is known.
status_file=$(mktemp)
echo 1 >"$status_file"
while IFS= read -r line; do
  line=${line%$'\r'}
  echo "$line"
  case $line in
    "snapshot "*) snapshot "${line#snapshot }" ;;
  esac
done < <("$root/scripts/wine-run.sh" vreceiver.exe --window --script "$root/vreceiver/demo/session.vr" \
           --script "$finish" 2>&1; echo $? >"$status_file")
wait $! 2>/dev/null || true
status=$(cat "$status_file")
rm -f "$status_file"
echo "demo: screenshots in $out (receiver exit status $status)"
exit "$status"
