#!/usr/bin/env bash
# Figures of the real MQD7RA.dll and Tarvex.exe under Wine against the
# virtual receiver, 64- and 32-bit: throughput into the window and latency
# from the device to Tarvex's standard-output line and to its window, each
# also as a ratio to a bare ReadFile reader of the same input in the same
# run, the cost of the watchdog while no receiver is there, and a soak of
# unplug/replug cycles. Run by hand (never by the
# tests); installs and builds what it needs. Prints one table and a last
# line "N reports/s, L lost, p99 X ms"; plots go to docs/.
#   scripts/bench.sh [--quick] [--reports=N] [--cycles=N] [--only=PART]
#                    [--in-flight=N] [mingw-x86_64] [mingw-i686]
# --only=idle: the cost of a disconnected Tarvex and of one re-open, with
# 0, 24 and 100 foreign interfaces, and where a re-open's time goes.
# Default sizes: 60000 reports (60 s at 1000 reports/s) and 1000
# unplug/replug cycles; --quick: 5000 reports and 20 cycles. The catch-up
# after a stall always sends 3000. --only runs one part (throughput,
# catch-up, idle or soak); the others' rows then read n/a or failed.
# --in-flight=N: the bare reader of the catch-up keeps N overlapped reads
# pending instead of one ReadFile at a time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
export TARVEX_STEP="the 32-bit bench"

if [ -z "${TARVEX_BENCH_INNER:-}" ]; then
  "$root/scripts/setup.sh"
  presets=()
  for arg in "$@"; do [[ $arg == mingw-* ]] && presets+=("$arg"); done
  [ ${#presets[@]} -gt 0 ] || presets=(mingw-x86_64 mingw-i686)
  mapfile -t presets < <(tarvex_runnable_presets "${presets[@]}")
  [ ${#presets[@]} -gt 0 ] || { echo "bench: none of the benches asked for runs on this host" >&2; exit 0; }
  # The receiver's driver always comes from the 64-bit build.
  [[ " ${presets[*]} " == *" mingw-x86_64 "* ]] || "$root/scripts/build.sh" mingw-x86_64 >/dev/null
  "$root/scripts/build.sh" "${presets[@]}" >/dev/null
  export TARVEX_BENCH_INNER=1
  exec "$root/scripts/with-xvfb.sh" "$root/scripts/wine-prefix.sh" "$0" "$@"
fi

reports=60000
catchup_reports=3000
cycles=1000
only=
in_flight=0
idle_seconds=10
presets=()
for arg in "$@"; do
  case $arg in
    --quick) reports=5000 cycles=20 idle_seconds=4 ;;
    --reports=*) reports=${arg#*=} ;;
    --cycles=*) cycles=${arg#*=} ;;
    --in-flight=*) in_flight=${arg#*=} ;;
    --only=throughput | --only=catch-up | --only=idle | --only=soak) only=${arg#*=} ;;
    mingw-*) presets+=("$arg") ;;
    *) echo "usage: scripts/bench.sh [--quick] [--reports=N] [--cycles=N] [--only=throughput|catch-up|idle|soak] [--in-flight=N] [mingw-x86_64] [mingw-i686]" >&2; exit 2 ;;
  esac
done
[ ${#presets[@]} -gt 0 ] || presets=(mingw-x86_64 mingw-i686)
mapfile -t presets < <(tarvex_runnable_presets "${presets[@]}" 2>/dev/null)
out=$root/build/bench
rm -rf "$out"
mkdir -p "$out"
working='ui-expect-text 1012 "MQDZ控制器工作正常！"'
absent='ui-expect-text 1012 "请插入MQDZ 控制器！"'
# What the watchdog shows once it has found the receiver again, and lost it.
reopened='ui-expect-text 1012 "MQDZ Job Ok！"'
lost='ui-expect-text 1012 "please insert USB controller！"'

# Runs the receiver process with script $2 in build/$1/bin; its output into $3.
run_receiver() {
  (cd "$root/build/$1/bin" && "$root/scripts/wine-run.sh" vreceiver.exe --script "$2" >"$3" 2>&1) || true
}

# The Linux process of a Windows program in this prefix (other prefixes may
# run their own Tarvex at the same time), by its file name ($1, a pattern):
# the process whose first argument is the program's path (a program started
# from Linux also has a start.exe process naming it).
own_process() {
  local pid
  for pid in $(pgrep -f "$1" || true); do
    { head -z -n1 "/proc/$pid/cmdline" | tr -d '\0'; } 2>/dev/null | grep -qiE "(^|[\\/])$1\$" || continue
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}
own_tarvex() { own_process 'Tarvex\.exe'; }

# 1 and 2: N numbered wheel reports of +1 queued at once; the device hands
# them out one per millisecond. Tarvex turns each into one standard-output
# line; the bare reader (input_bench.exe: ReadFile in a loop), open at the
# same time, gets its own copy of each: the peer Tarvex is measured against.
# Tarvex started and past its three display-text sends, the bare reader
# open beside it; the script then waits for the bare reader ($1: preset,
# $2: the start-up timings file; $3: 0 when no bare reader runs).
burst_start() {
  echo plug
  echo "run Tarvex.exe"
  echo "$working"
  # The first three changes after start-up each send the display text, a
  # synchronous round of feature reports: a start-up cost, made before the
  # measured burst.
  printf '%s\n' "keys 1" release "keys 2" release "expect-displays 3"
  echo "echo bare-reader-wanted"
  # Tarvex's two interfaces and the bare reader's one
  echo "expect-handles $((${3:-1} == 0 ? 2 : 3))"
  # The bare reader has its handle; its first read takes Wine some 30 ms,
  # longer than the ring holds at 1000 reports/s (a figure's pause, not a
  # test's).
  echo "sleep 300"
  echo "timings $(tarvex_winepath "$2" 2>/dev/null)"
}

# The burst's end: all $1 lines, then the timings into file $2; the window
# closes.
burst_end() {
  echo "expect-stdout-lines $1 timeout=60000"
  echo "timings $(tarvex_winepath "$2" 2>/dev/null)"
  echo "ui-show"
  echo "ui-close"
  echo "unplug"  # ends the bare reader's last read if reports were lost
}

# Starts the receiver process of preset $1 with script $2 (its output into
# $3) and, once the script wants it, the bare reader for $4 reports, its
# reads into $out/$5-$1.txt (its output into .log), asking for a ring of $6
# reports and keeping $7 reads in flight if given; their process ids in
# $receiver and $peer.
start_burst() {
  run_receiver "$1" "$2" "$3" &
  receiver=$!
  await_output "$3" bare-reader-wanted || true
  # shellcheck disable=SC2086
  (cd "$root/build/$1/bin" &&
    "$root/scripts/wine-run.sh" input_bench.exe "$4" "$(tarvex_winepath "$out/$5-$1.txt" 2>/dev/null)" ${6:-} ${7:-} \
      >"$out/$5-$1.log" 2>&1) &
  peer=$!
}

# Waits until the receiver's output $1 names $2 (up to a minute).
await_output() {
  for _ in $(seq 3000); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.02
  done
  return 1
}

throughput() {
  local preset=$1 script=$out/throughput-$1.vr log=$out/throughput-$1.log
  {
    burst_start "$preset" "$out/startup-$preset.txt"
    "$root/bench/numbered_reports.sh" "$reports"
    # polled every 10 ms, from while the reports are still going out
    echo "ui-expect-text 1017 \"+$reports\" timeout=$((reports + 60000))"
    echo "mark shown"
    burst_end "$reports" "$out/timings-$preset.txt"
  } >"$script"
  start_burst "$preset" "$script" "$log" "$reports" peer
  wait "$peer" || true
  wait "$receiver"
}

# 2b: catch-up after a stall. While the device sends $catchup_reports
# numbered reports at 1000 reports/s, Tarvex's process and the bare reader's
# are stopped for 300 ms, a second into the burst: SIGSTOP to their Linux
# processes stops every thread of each at once (the library's reader too),
# as a stall of the host does, with no program of ours inside them. Wine
# runs each Windows process as one Linux process; its server and the HID
# stack (winedevice.exe) keep running, so the reports pile up in each
# handle's ring (MQD7RA.dll asks for 512; the bare reader is given the
# same) and, once Tarvex runs again, in its window's queue. The figures
# say how fast each drains it. A second run leaves the bare reader out, as
# on a PC where nothing else reads the receiver: Tarvex then has the Wine
# server and the HID stack to itself ($2: the run's name, $3: 0 for it).
catch_up() {
  local preset=$1 name=$2 peered=$3
  local script=$out/$name-$preset.vr log=$out/$name-$preset.log stopped
  {
    burst_start "$preset" "$out/$name-startup-$preset.txt" "$peered"
    "$root/bench/numbered_reports.sh" "$catchup_reports"
    echo "sleep 1000"  # a second after the sleep before the burst ended
    echo "echo stall-now"
    burst_end "$catchup_reports" "$out/$name-$preset.txt"
  } >"$script"
  if [ "$peered" = 1 ]; then
    start_burst "$preset" "$script" "$log" "$catchup_reports" "peer-$name" 512 "$in_flight"
  else
    run_receiver "$preset" "$script" "$log" &
    receiver=$! peer=
  fi
  if await_output "$log" stall-now; then
    stopped=$(own_tarvex)
    [ -z "$peer" ] || stopped="$stopped $(own_process 'input_bench\.exe')"
    stall "$preset" "$stopped"
  fi
  [ -z "$peer" ] || wait "$peer" || true
  wait "$receiver"
}

# Stops the Linux processes $2 for 300 ms and notes how long they stood.
stall() {
  local began ended
  began=$(date +%s%N)
  # shellcheck disable=SC2086
  kill -STOP $2 && sleep 0.3 && kill -CONT $2
  ended=$(date +%s%N)
  echo "stalled $1: $2 for $(((ended - began) / 1000000)) ms" >>"$out/catchup-stalls.txt"
}

# 2c: Tarvex's window alone, with no HID read path setting the pace: in
# bin/burst/ it loads a stand-in MQD7RA.dll (bench/burst_library.cpp) that
# queues 3000 wheel messages at once; the lines' moments say how fast the
# window drains them, the ceiling of its catch-up.
window_drain() {
  local preset=$1 script=$out/drain-$1.vr bin=$root/build/$1/bin
  cp "$bin/Tarvex.exe" "$bin/burst/"
  {
    echo 'run burst\Tarvex.exe'
    echo "expect-stdout-lines $((catchup_reports + 3)) timeout=60000"
    echo "wait-exit"
    echo "timings $(tarvex_winepath "$out/drain-$preset.txt" 2>/dev/null)"
  } >"$script"
  BURST_REPORTS=$catchup_reports run_receiver "$preset" "$script" "$out/drain-$preset.log"
}

# 3: Tarvex with no receiver present and N foreign interfaces listed; the
# CPU time of its process and of its GUI (main) thread over idle_seconds.
idle_cost() {
  local preset=$1 foreign=$2 script=$out/idle-$1-$2.vr log=$out/idle-$1-$2.log
  {
    echo "foreign $foreign"
    echo unplug
    echo "run Tarvex.exe"
    echo "$absent"
    echo "echo idle-start"
    echo "sleep $(((idle_seconds + 3) * 1000))"
    echo "ui-close"
  } >"$script"
  run_receiver "$preset" "$script" "$log" &
  local receiver=$! pid=""
  # Plug and Play takes its time over a hundred foreign interfaces.
  for _ in $(seq 900); do
    grep -q idle-start "$log" 2>/dev/null && pid=$(own_tarvex)
    [ -n "$pid" ] && break
    sleep 0.2
  done
  if [ -z "$pid" ]; then
    echo "bench: Tarvex did not start with $foreign foreign interfaces" >&2
    wait $receiver
    return
  fi
  sleep 1
  local tick before_p before_t after_p after_t
  tick=$(getconf CLK_TCK)
  cpu_of() { awk '{print $14 + $15}' "$1" 2>/dev/null || echo 0; }
  before_p=$(cpu_of "/proc/$pid/stat") before_t=$(cpu_of "/proc/$pid/task/$pid/stat")
  sleep "$idle_seconds"
  after_p=$(cpu_of "/proc/$pid/stat") after_t=$(cpu_of "/proc/$pid/task/$pid/stat")
  wait $receiver
  echo "idle $preset $foreign $idle_seconds $tick $((after_p - before_p)) $((after_t - before_t))" >>"$out/idle.txt"
}

# 5: where the time of one re-open goes with no receiver present and N
# foreign interfaces listed (scan_bench.exe).
scan_cost() {
  local preset=$1 foreign=$2 script=$out/scan-$1-$2.vr
  {
    echo "foreign $foreign"
    echo unplug
    echo "run scan_bench.exe 10"
    echo "wait-exit timeout=300000"
    echo "stdout"
  } >"$script"
  run_receiver "$preset" "$script" "$out/scan-$preset-$foreign.log"
  grep -E "listed|cpu" "$out/scan-$preset-$foreign.log" | sed "s/^/scan $preset $foreign: /" || true
}

# 4: cycles of unplug, replug and one wheel report, with Tarvex open; then
# how long closing the window takes with the library's reader blocked.
soak() {
  local preset=$1 script=$out/soak-$1.vr
  {
    echo plug
    echo "run Tarvex.exe"
    echo "$working"
    echo "wheel 1"
    echo "expect-stdout-lines 1"
    echo "process-counts"
    for ((i = 1; i <= cycles; i++)); do
      echo unplug
      echo "$lost"
      echo plug
      echo "$reopened"
      echo "wheel 1"
      echo "expect-stdout-lines $((i + 1))"
    done
    echo "process-counts"
    echo "ui-show"
    echo "show"
    # the library's reader is blocked on the idle receiver while the window closes
    echo "mark close"
    echo "ui-close"
    echo "mark gone"
    echo "wait-exit"
    echo "mark exited"
    echo "timings $(tarvex_winepath "$out/close-$preset.txt" 2>/dev/null)"
  } >"$script"
  run_receiver "$preset" "$script" "$out/soak-$preset.log"
}

wanted() { [ -z "$only" ] || [ "$only" = "$1" ]; }
for preset in "${presets[@]}"; do
  if wanted throughput; then
    echo "bench: $preset throughput ($reports reports)" >&2
    throughput "$preset"
  fi
  if wanted catch-up; then
    echo "bench: $preset catch-up after a 300 ms stall ($catchup_reports reports)" >&2
    catch_up "$preset" catchup 1
    catch_up "$preset" catchup-alone 0
    window_drain "$preset"
  fi
  if wanted idle; then
    echo "bench: $preset idle cost" >&2
    for foreign in 0 24 100; do scan_cost "$preset" "$foreign"; idle_cost "$preset" "$foreign"; done
  fi
  if wanted soak; then
    echo "bench: $preset soak ($cycles cycles)" >&2
    soak "$preset"
  fi
done

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(tarvex_wine --version)"
python3 "$root/bench/wine_figures.py" "$out" "$reports" "$cycles" "${presets[@]}"
if wanted throughput && command -v gnuplot >/dev/null; then
  gnuplot -e "dir='$out'; docs='$root/docs'" "$root/bench/wine_figures.gp" 2>/dev/null &&
    echo "plots: docs/bench-latency.png docs/bench-throughput.png"
fi
