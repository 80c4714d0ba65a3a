#!/usr/bin/env bash
# The monitor with a virtual pendant: installs what is missing, builds the
# Windows binaries it needs, starts the virtual receiver with a scripted
# pendant session and runs Tarvex.exe under Wine against it. On the user's
# display when DISPLAY is set (the window stays until closed), otherwise
# under Xvfb. Screenshots of the window go to artifacts/demo/ (or $1).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
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
  exec scripts/with-xvfb.sh scripts/wine-prefix.sh "$0" "$out" closes
fi

# Saves the main window (or, failing that, the whole screen) as NAME.png.
snapshot() {
  local file=$out/$1.png id
  id=$(xwininfo -root -tree 2>/dev/null | grep -a '"NVT MQDZA' | head -1 | awk '{print $1}')
  if [ -z "$id" ] || ! import -window "$id" "$file" 2>/dev/null; then
    import -window root "$file"
  fi
  echo "demo: saved $file"
}

finish=$root/wine/demo/finish-${2:-closes}.vr
export TARVEX_SNAPSHOT_DIR
TARVEX_SNAPSHOT_DIR=$(WINEPREFIX=${TARVEX_WINEPREFIX:-$root/build/wine-prefix} winepath -w "$out" 2>/dev/null)
cd "$bin"
status=0
while IFS= read -r line; do
  line=${line%$'\r'}
  echo "$line"
  case $line in
    "snapshot "*) snapshot "${line#snapshot }" ;;
    "demo-exit "*) status=${line#demo-exit } ;;
  esac
done < <("$root/scripts/wine-run.sh" vreceiver.exe --script "$root/wine/demo/session.vr" \
           --script "$finish" 2>&1; echo "demo-exit $?")
echo "demo: screenshots in $out"
exit "$status"
