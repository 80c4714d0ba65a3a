#!/usr/bin/env bash
# Runs Tarvex.exe from a folder of its own next to the probe library and
# checks the library calls it made: start-up and teardown.
#   tarvex_library_calls.sh <Tarvex.exe> <tarvex_window.exe> <probe dll> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1 helper=$2 probe=$3 dir=$4
rm -rf "$dir" && mkdir -p "$dir"
cp "$exe" "$dir/Tarvex.exe"
cp "$probe" "$dir/MQD7RA.dll"
"$here/tarvex_start.sh" "$dir/Tarvex.exe" "$helper" -
expected=$'Xinit\nXOpen\nXClose'
actual=$(cat "$dir/mqd7ra-probe.log" 2>/dev/null || true)
if [ "$actual" != "$expected" ]; then
  printf 'library calls:\n%s\nexpected:\n%s\n' "$actual" "$expected"; exit 1
fi
echo "library calls: Xinit, XOpen, XClose"
