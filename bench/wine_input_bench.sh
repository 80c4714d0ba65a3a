#!/usr/bin/env bash
# Input reports into ReadFile through Wine's own HID stack: the receiver
# process queues N numbered reports at once, sends them at most one per
# millisecond, and input_bench.exe (any program in the prefix) reads and
# counts them. Prints reports per second and how many were lost.
#   scripts/with-xvfb.sh scripts/wine-prefix.sh bench/wine_input_bench.sh [N] [preset]
#   (default 10000 mingw-x86_64; in a session with the prefix's wine server)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
count=${1:-10000}
bin=$root/build/${2:-mingw-x86_64}/bin
script=$(mktemp --suffix=.vr)
trap 'rm -f "$script"' EXIT
{
  echo "run input_bench.exe $count"
  echo "expect-handles 1"
  for ((i = 0; i < count; i++)); do
    printf 'report 04 00 %02X %02X 00 00 00 00\n' $((i & 255)) $(((i >> 8) & 255))
  done
  echo "wait-exit timeout=120000"
  echo "stdout"
} >"$script"
cd "$bin"
"$root/scripts/wine-run.sh" vreceiver.exe --script "$script" 2>&1 | grep -a -E "input_bench|exit code|FAIL"
