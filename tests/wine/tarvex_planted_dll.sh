#!/usr/bin/env bash
# The program's DLL search order, with no MQD7RA.dll in the program's own
# folder: one planted in the current directory is not loaded; one in a folder
# on PATH is (PATH comes after the current directory in the platform's
# order, so this also shows the current directory is left out, not just
# searched later). Wine's PATH takes extra folders from WINEPATH.
#   tarvex_planted_dll.sh <Tarvex.exe> <uiprobe.exe> <probe dll> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1 helper=$2 probe=$3 dir=$4
# A 32-bit program on a host that runs none: skipped (77), with the reason.
"$here/../../scripts/wine-run.sh" --can-run "$exe" || exit
rm -rf "$dir" && mkdir -p "$dir/app" "$dir/cwd" "$dir/on-path"
cp "$exe" "$dir/app/Tarvex.exe"
cp "$probe" "$dir/cwd/MQD7RA.dll"
cp "$probe" "$dir/on-path/MQD7RA.dll"
on_path="Z:$(cd "$dir/on-path" && pwd)"
WINEPATH="${on_path//\//\\}" "$here/tarvex_start.sh" "$dir/app/Tarvex.exe" "$helper" - "$dir/cwd"
if [ -s "$dir/cwd/mqd7ra-probe.log" ]; then
  echo "the library planted in the current directory was loaded:"; cat "$dir/cwd/mqd7ra-probe.log"; exit 1
fi
echo "planted library not loaded"
if [ ! -s "$dir/on-path/mqd7ra-probe.log" ]; then
  echo "the library in a folder on PATH was not loaded"; exit 1
fi
echo "library on PATH loaded: $(tr '\n' ' ' <"$dir/on-path/mqd7ra-probe.log")"
