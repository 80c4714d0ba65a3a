#!/usr/bin/env bash
# Input reports into ReadFile through Wine's own HID stack: the receiver
# process queues N numbered reports at once and hands them out one per
# millisecond; input_bench.exe (the bare reader) reads and counts them.
# Prints reports per second and how many were lost.
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
  "$root/bench/numbered_reports.sh" "$count"
  echo "wait-exit timeout=120000"
  echo "stdout"
} >"$script"
cd "$bin"
"$root/scripts/wine-run.sh" vreceiver.exe --script "$script" 2>&1 | grep -a -E "input_bench|exit code|FAIL"
