#!/usr/bin/env bash
# Records a hand session on the pendant window (the window echoes each
# action as "pendant> COMMAND", after "pendant> sleep MS" with the time
# since the action before), checks the commands and the gaps, and replays
# them as a script against a fresh Tarvex without the window.
#   pendant_record.sh <bin dir> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
bin=$1 dir=$2
# A 32-bit program on a host that runs none: skipped (77), with the reason.
"$run" --can-run "$bin/vreceiver.exe" || exit
rm -rf "$dir" && mkdir -p "$dir"
cd "$bin"

"$run" vreceiver.exe --window --script "$here/pendant_record/record.vr" >"$dir/record.txt" 2>&1 ||
  { cat "$dir/record.txt"; exit 1; }
sed -n 's/^pendant> //p' "$dir/record.txt" | tr -d '\r' >"$dir/session.vr"
want=$'wheel 5\nkeys 3\nrelease\naxis 18\nestop on'
if [ "$(grep -v '^sleep ' "$dir/session.vr")" != "$want" ]; then
  printf 'recorded:\n%s\nexpected:\n%s\n' "$(cat "$dir/session.vr")" "$want"; exit 1
fi
# A gap before every action but the first: every second line a sleep.
if [ "$(grep -c '' "$dir/session.vr")" != 9 ] ||
   [ "$(sed -n '2~2p' "$dir/session.vr" | grep -c '^sleep [0-9][0-9]*$')" != 4 ]; then
  printf 'the gaps are not where they belong:\n%s\n' "$(cat "$dir/session.vr")"; exit 1
fi
echo "recorded: $(tr '\n' ';' <"$dir/session.vr")"

"$run" vreceiver.exe --script "$here/pendant_record/replay-start.vr" --script "$dir/session.vr" \
  --script "$here/pendant_record/replay-check.vr" >"$dir/replay.txt" 2>&1 ||
  { cat "$dir/replay.txt"; exit 1; }
echo "replayed: $(tail -1 "$dir/replay.txt" | tr -d '\r')"
