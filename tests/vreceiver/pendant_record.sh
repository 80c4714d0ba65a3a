#!/usr/bin/env bash
# Records a hand session on the pendant window (the window echoes each
# action as "pendant> COMMAND"), checks the commands, and replays them as a
# script against a fresh Tarvex without the window.
#   pendant_record.sh <bin dir> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
bin=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir"
cd "$bin"

"$run" vreceiver.exe --window --script "$here/pendant_record/record.vr" >"$dir/record.txt" 2>&1 ||
  { cat "$dir/record.txt"; exit 1; }
sed -n 's/^pendant> //p' "$dir/record.txt" | tr -d '\r' >"$dir/session.vr"
want=$'wheel 5\nkeys 3\nrelease\naxis 18\nestop on'
if [ "$(cat "$dir/session.vr")" != "$want" ]; then
  printf 'recorded:\n%s\nexpected:\n%s\n' "$(cat "$dir/session.vr")" "$want"; exit 1
fi
echo "recorded: $(tr '\n' ';' <"$dir/session.vr")"

"$run" vreceiver.exe --script "$here/pendant_record/replay-start.vr" --script "$dir/session.vr" \
  --script "$here/pendant_record/replay-check.vr" >"$dir/replay.txt" 2>&1 ||
  { cat "$dir/replay.txt"; exit 1; }
echo "replayed: $(tail -1 "$dir/replay.txt" | tr -d '\r')"
