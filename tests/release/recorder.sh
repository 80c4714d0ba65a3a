#!/usr/bin/env bash
# The recorder of an unpacked release, as shipped (stripped), records a few
# reports of the virtual receiver and the recording replays (--replay).
#   recorder.sh <release folder> <scratch folder> <folder of vreceiver.exe>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
release=$(cd "$1" && pwd) out=$2 tools=$(cd "$3" && pwd)
"$root/scripts/wine-run.sh" --can-run "$release/bin/pendant-record.exe" || exit 0
rm -rf "$out" && mkdir -p "$out"
out=$(cd "$out" && pwd)
cat >"$out/record.vr" <<EOF2
run as=recorder Z:$release/bin/pendant-record.exe --info --reports 3 Z:$out/recording.vr
expect-stdout-with as=recorder "Ctrl+C stops"
keys 4
wheel -2
release
wait-exit as=recorder code=0
stdout as=recorder
EOF2
cd "$out"
for step in record replay; do
  if [ $step = record ]; then
    set -- --script "$out/record.vr"
  else
    set -- --replay "$out/recording.vr"
  fi
  "$root/scripts/wine-run.sh" "$tools/vreceiver.exe" "$@" >"$out/$step.log" 2>&1 ||
    { cat "$out/$step.log"; echo "FAIL the release's recorder: $step"; exit 1; }
done
tr -d '\r' <"$out/recording.vr" | grep -v -e '^#' -e '^sleep ' >"$out/commands.txt"
want=$'product 0xEB91\ninfo id=4660 channel=5 rssi=30\nreport 04 00 04 00 0D 11 00 00\nwheel -2\nrelease\nwait-sent'
[ "$(cat "$out/commands.txt")" = "$want" ] ||
  { cat "$out/recording.vr"; echo "FAIL the release's recorder wrote other commands"; exit 1; }
echo "ok   recorder: bin/pendant-record.exe recorded 3 reports; the recording replays"
