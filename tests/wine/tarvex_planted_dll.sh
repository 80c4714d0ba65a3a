#!/usr/bin/env bash
# A MQD7RA.dll planted in the current directory must not be loaded when the
# program's own folder has none.
#   tarvex_planted_dll.sh <Tarvex.exe> <tarvex_window.exe> <probe dll> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1 helper=$2 probe=$3 dir=$4
rm -rf "$dir" && mkdir -p "$dir/app" "$dir/cwd"
cp "$exe" "$dir/app/Tarvex.exe"
cp "$probe" "$dir/cwd/MQD7RA.dll"
"$here/tarvex_start.sh" "$dir/app/Tarvex.exe" "$helper" - "$dir/cwd"
if [ -s "$dir/cwd/mqd7ra-probe.log" ]; then
  echo "the planted library was loaded:"; cat "$dir/cwd/mqd7ra-probe.log"; exit 1
fi
echo "planted library not loaded"
