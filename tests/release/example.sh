#!/usr/bin/env bash
# The example program of an unpacked release, built from the release alone
# (its examples/ folder and its CMake package, with the MinGW toolchain), run
# under Wine against the virtual receiver (pendant_console.vr).
#   example.sh <release folder> win32|win64 <scratch folder> <folder of vreceiver.exe>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
release=$(cd "$1" && pwd) arch=$2 out=$3 tools=$(cd "$4" && pwd)
case $arch in
  win32) toolchain=mingw-i686 ;;
  win64) toolchain=mingw-x86_64 ;;
  *) echo "example.sh: win32 or win64, not $arch" >&2; exit 2 ;;
esac
rm -rf "$out"
cmake -S "$release/examples/pendant_console" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  --toolchain "$root/cmake/$toolchain.cmake" -DCMAKE_PREFIX_PATH="$release" >/dev/null
cmake --build "$out"
# Built on any host; run where the host runs its architecture.
"$root/scripts/wine-run.sh" --can-run "$out/pendant_console.exe" || exit 0

# The program's process: the one of that name in this Wine prefix.
program_pid() {
  local prefix pid theirs
  prefix=$(readlink -f "${TARVEX_WINEPREFIX:-$root/build/wine-prefix}")
  for pid in $(pgrep -f 'pendant_console\.exe'); do
    theirs=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | sed -n 's/^WINEPREFIX=//p')
    [ -n "$theirs" ] && [ "$(readlink -f "$theirs")" = "$prefix" ] && echo "$pid"
  done
  return 0
}

# Waits, bounded, for the receiver's script to ask for Ctrl+C; fails when
# the receiver ended first.
wait_for_ctrl_c_request() {
  local tenths
  for tenths in $(seq 1200); do
    grep -q '^press-ctrl-c' "$log" && return 0
    kill -0 "$receiver" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

cd "$out"
log=$out/vreceiver.log
"$root/scripts/wine-run.sh" "$tools/vreceiver.exe" --script "$here/pendant_console.vr" >"$log" 2>&1 &
receiver=$!
if wait_for_ctrl_c_request; then
  pid=$(program_pid)
  if [ -n "$pid" ]; then kill -INT $pid; else echo "example.sh: pendant_console.exe not found"; fi
fi
status=0
wait "$receiver" || status=$?
cat "$log"
exit "$status"
