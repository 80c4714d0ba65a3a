#!/usr/bin/env bash
# The recorder under Wine against the virtual receiver, beside Tarvex:
#  1. a known session (record_replay/session.vr) is recorded by three
#     recorders at once: one to the end (whole.vr, with --info), one stopped
#     by Ctrl+C in the middle of a stream of reports (cut.vr), one killed
#     there (killed.vr). Tarvex's wheel total and the recording's agree, and
#     the recording holds the session's commands;
#  2. whole.vr is replayed (vreceiver.exe --script) into a fresh receiver
#     with Tarvex and a recorder beside it: the replay's recording holds the
#     same reports, byte for byte, in the same order; the gaps between the
#     reports handed to the device in both runs are printed as figures;
#  3. cut.vr and killed.vr replay (every line whole) and Tarvex's total
#     agrees with each;
#  4. the pendant window plays whole.vr at 2x (in parts, with the waits
#     for the programs between them): the same reports again.
#   record_replay.sh <bin dir> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run="$here/../../scripts/wine-run.sh"
bin=$1 dir=$2
# A 32-bit program on a host that runs none: skipped (77), with the reason.
"$run" --can-run "$bin/vreceiver.exe" || exit
rm -rf "$dir" && mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
win="Z:$dir"  # the scratch folder as Windows programs see it
cd "$bin"

fail() { echo "FAIL $*"; exit 1; }

# Runs the receiver with these scripts; its output goes to $dir/NAME.log.
receiver() {
  local name=$1; shift
  local args=()
  for script in "$@"; do args+=(--script "$script"); done
  "$run" vreceiver.exe "${args[@]}" >"$dir/$name.log" 2>&1 || { cat "$dir/$name.log"; fail "$name"; }
}

# The commands of a recording: no comments, no sleeps, no line ends.
commands() { tr -d '\r' <"$1" | grep -v -e '^#' -e '^sleep '; }
# The reports a recorder printed: "report N at T s: BYTES  COMMAND" less the time.
reports_seen() { tr -d '\r' <"$1" | sed -n 's/^|report \([0-9]*\) at [0-9.]* s: \(.*\)|$/\1: \2/p'; }
# The recording made into a replay the test checks (instrument.awk).
instrument() { tr -d '\r' <"$1" | awk -v recorder="$2" -v base="$3" -f "$here/record_replay/instrument.awk"; }
# Every line of the file ends with CR LF: a recording is never cut inside a line.
whole_lines() {
  [ -s "$1" ] || fail "$1 is empty"
  [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "$1 does not end with a whole line"
  ! tr -d '\r' <"$1" | grep -q $'\r' || fail "$1 has a CR inside a line"
}

# Programs started before the replay: Tarvex, and a recorder named $1 to $2.
start_programs() {
  cat <<EOF2
product 0xEB93
run Tarvex.exe
ui-expect-text 1012 "MQDZ控制器工作正常！"
run as=$1 pendant-record.exe $win/$2
expect-stdout-with as=$1 "Ctrl+C stops"
EOF2
}
stop_programs() {
  cat <<EOF2
interrupt as=$1
wait-exit as=$1 code=0
stdout as=$1
ui-close
wait-exit
EOF2
}

echo "== 1. record the session beside Tarvex"
{
  echo "product 0xEB93"
  echo "info id=4660 channel=-7 rssi=42"
  echo "run Tarvex.exe"
  echo 'ui-expect-text 1012 "MQDZ控制器工作正常！"'
  for name in whole cut killed; do
    options=""
    [ $name = whole ] && options="--info"
    echo "run as=$name pendant-record.exe $options $win/$name.vr"
    echo "expect-stdout-with as=$name \"Ctrl+C stops\""
  done
  cat "$here/record_replay/session.vr"
  echo "stdout as=whole"
  echo "ui-close"
  echo "wait-exit"
  echo "timings $win/run1-timings.txt"
} >"$dir/record.vr"
receiver record "$dir/record.vr"
for name in whole cut killed; do whole_lines "$dir/$name.vr"; done
{
  cat "$here/record_replay/expected-commands.txt"
  for half in 1 2; do
    for i in $(seq 200); do echo "wheel 127"; done
  done
  echo "wait-sent"
} >"$dir/expected.txt"
diff "$dir/expected.txt" <(commands "$dir/whole.vr") >"$dir/whole.diff" ||
  { head -20 "$dir/whole.diff"; fail "whole.vr does not hold the session's commands"; }
echo "ok   whole.vr: the session's $(grep -c . "$dir/expected.txt") commands; Tarvex showed +50518 as its wheel total"
# The stopped and the killed recording begin as the whole one does; the
# stopped one ends with its own last lines.
for name in cut killed; do
  commands "$dir/$name.vr" >"$dir/$name.commands"
  if [ $name = cut ]; then
    tr -d '\r' <"$dir/cut.vr" | tail -1 | grep -q 'stopped by Ctrl+C\.$' || fail "cut.vr has no last line"
    [ "$(tail -1 "$dir/cut.commands")" = wait-sent ] || fail "cut.vr does not end with wait-sent"
    sed -i '$d' "$dir/cut.commands"
  fi
  count=$(grep -c '' "$dir/$name.commands")
  grep -v "^info " "$dir/expected.txt" | sed -n "1,${count}p" | diff - "$dir/$name.commands" >/dev/null ||
    fail "$name.vr is not the start of the session"
  echo "ok   $name.vr: the session's first $count commands ($(grep -c -v -e '^product' -e '^wait-sent' -e 'plug$' "$dir/$name.commands") reports), whole lines"
done

echo "== 2. replay whole.vr into a fresh receiver beside Tarvex"
start_programs again again.vr >"$dir/replay-start.vr"
instrument "$dir/whole.vr" again 0 >"$dir/whole-replay.vr"
{ stop_programs again; echo "timings $win/run2-timings.txt"; } >"$dir/replay-end.vr"
receiver replay "$dir/replay-start.vr" "$dir/whole-replay.vr" "$dir/replay-end.vr"
whole_lines "$dir/again.vr"
diff <(commands "$dir/whole.vr" | grep -v '^info ') <(commands "$dir/again.vr") >/dev/null ||
  fail "the replay's recording differs from whole.vr"
diff <(reports_seen "$dir/record.log") <(reports_seen "$dir/replay.log") >"$dir/bytes.diff" ||
  { head "$dir/bytes.diff"; fail "the replay handed over other reports"; }
echo "ok   the replay handed over the same $(reports_seen "$dir/replay.log" | grep -c .) reports, byte for byte, in order"
# Gaps between consecutive reports handed to the device, recording run
# against replay (the pair across the replug left out: its gap is the
# programs' reconnecting). Figures, not a check: the machine is shared.
paste <(grep '^send' "$dir/run1-timings.txt") <(grep '^send' "$dir/run2-timings.txt") |
  awk '{ if (NR > 1 && NR != 15) { d = ($4 - p4) - ($2 - p2); if (d < 0) d = -d; print d / 1000 }
         p2 = $2; p4 = $4 }' | sort -n >"$dir/gap-deviation.txt"
awk '{ a[NR] = $1 } END { printf "gaps: %d compared; |replayed - recorded| ms: median %.2f, p95 %.2f, p99 %.2f, max %.2f\n",
       NR, a[int(NR * 0.5) + 1], a[int(NR * 0.95) + 1], a[int(NR * 0.99) + 1], a[NR] }' "$dir/gap-deviation.txt"

echo "== 3. replay the stopped and the killed recording"
{
  echo "product 0xEB93"
  echo "run Tarvex.exe"
  echo 'ui-expect-text 1012 "MQDZ控制器工作正常！"'
} >"$dir/cut-start.vr"
instrument "$dir/cut.vr" "" 0 >"$dir/cut-replay.vr"
# Tarvex's total once the cut recording has played: the last one it waits for.
total_after() { grep '^ui-expect-text 1017' "$1" | tail -1 | sed 's/.*"+\(-*[0-9]*\)".*/\1/'; }
cut_total=$(total_after "$dir/cut-replay.vr")
{ cat "$dir/killed.vr"; printf 'wait-sent\r\n'; } | instrument /dev/stdin "" "$cut_total" >"$dir/killed-replay.vr"
printf 'ui-close\nwait-exit\n' >"$dir/cut-end.vr"
receiver cut-replay "$dir/cut-start.vr" "$dir/cut-replay.vr" "$dir/killed-replay.vr" "$dir/cut-end.vr"
echo "ok   cut.vr and killed.vr replayed; Tarvex's total +$cut_total, then +$(total_after "$dir/killed-replay.vr")"

echo "== 4. the pendant window plays whole.vr at 2x"
# The play row takes recordings alone, so the replay's waits for the
# programs stay in the script that drives the window: whole.vr is played
# in parts, cut where instrument.awk puts them (before an unplug every
# report is taken, after a plug the programs opened the receiver again).
start_programs played played.vr >"$dir/play.vr"
instrument "$dir/whole.vr" played 0 | awk -v dir="$dir" -v win="$win" '
  function play(   lines) {
    if (!commands) { part = ""; return }  # comments alone: nothing to play
    parts++
    file = dir "/part" parts ".vr"
    printf "%s", part >file
    close(file)
    lines = split(part, _, "\n") - 1
    if (lines in seen) { print "FAIL two parts of " lines " lines" >"/dev/stderr"; exit 1 }
    seen[lines] = 1
    printf "ui-type 2050 \"%s/part%d.vr\" window=pendant\n", win, parts
    print "ui-choose 2052 \"2x\" window=pendant"
    print "ui-click 2053 window=pendant"
    printf "ui-expect-text 2055 \"播放完 played to the end: %d lines, %.1f s\" window=pendant timeout=120000\n", lines, sleeps / 1000
    part = ""; sleeps = 0; commands = 0
  }
  /^(ui-expect-text|expect-stdout-with) / { play(); print; next }
  { part = part $0 "\n"; if ($1 == "sleep") sleeps += $2; if ($0 !~ /^(#|$)/) commands++ }
  END { play() }' >>"$dir/play.vr"
stop_programs played >>"$dir/play.vr"
"$run" vreceiver.exe --window --script "$dir/play.vr" >"$dir/play.log" 2>&1 || { cat "$dir/play.log"; fail "play"; }
diff <(commands "$dir/whole.vr" | grep -v '^info ') <(commands "$dir/played.vr") >/dev/null ||
  fail "the window's play recorded other reports"
diff <(reports_seen "$dir/record.log") <(reports_seen "$dir/play.log") >/dev/null ||
  fail "the window's play handed over other reports"
echo "ok   the window played the same reports, byte for byte"
echo "a recording (whole.vr):"
tr -d "\r" <"$dir/whole.vr" | sed -n 1,12p
