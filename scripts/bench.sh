#!/usr/bin/env bash
# Figures of the real MQD7RA.dll and Tarvex.exe under Wine against the
# virtual receiver, 64- and 32-bit: throughput into the window and latency
# from the device to Tarvex's standard-output line and to its window, each
# also as a ratio to a bare ReadFile reader of the same input in the same
# run, the cost of the watchdog while no receiver is there, and a soak of
# unplug/replug cycles. Run by hand (never by the
# tests); installs and builds what it needs. Prints one table and a last
# line "N reports/s, L lost, p99 X ms"; plots go to docs/.
#   scripts/bench.sh [--quick] [--idle] [--reports=N] [--cycles=N] [mingw-x86_64] [mingw-i686]
# --idle: only the cost of a disconnected Tarvex and of one re-open, with
# 0, 24 and 100 foreign interfaces, and where a re-open's time goes.
# Default sizes: 60000 reports (60 s at 1000 reports/s) and 1000
# unplug/replug cycles; --quick: 5000 reports and 20 cycles.
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
cycles=1000
idle_seconds=10
idle_only=0
presets=()
for arg in "$@"; do
  case $arg in
    --quick) reports=5000 cycles=20 idle_seconds=4 ;;
    --idle) idle_only=1 ;;
    --reports=*) reports=${arg#*=} ;;
    --cycles=*) cycles=${arg#*=} ;;
    mingw-*) presets+=("$arg") ;;
    *) echo "usage: scripts/bench.sh [--quick] [--idle] [--reports=N] [--cycles=N] [mingw-x86_64] [mingw-i686]" >&2; exit 2 ;;
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

# 1 and 2: N numbered wheel reports of +1 queued at once; the device hands
# them out one per millisecond. Tarvex turns each into one standard-output
# line; the bare reader (input_bench.exe: ReadFile in a loop), open at the
# same time, gets its own copy of each: the peer Tarvex is measured against.
throughput() {
  local preset=$1 script=$out/throughput-$1.vr log=$out/throughput-$1.log
  {
    echo plug
    echo "run Tarvex.exe"
    echo "$working"
    # The first three changes after start-up each send the display text, a
    # synchronous round of feature reports: a start-up cost, made before the
    # measured burst.
    printf '%s\n' "keys 1" release "keys 2" release "expect-displays 3"
    echo "echo bare-reader-wanted"
    echo "expect-handles 3"  # Tarvex's two interfaces and the bare reader's one
    # The bare reader has its handle; its first read takes Wine some 30 ms,
    # longer than the ring holds at 1000 reports/s (a figure's pause, not a
    # test's).
    echo "sleep 300"
    echo "timings $(tarvex_winepath "$out/startup-$preset.txt" 2>/dev/null)"
    "$root/bench/numbered_reports.sh" "$reports"
    # polled every 10 ms, from while the reports are still going out
    echo "ui-expect-text 1017 \"+$reports\" timeout=$((reports + 60000))"
    echo "mark shown"
    echo "expect-stdout-lines $reports timeout=60000"
    echo "timings $(tarvex_winepath "$out/timings-$preset.txt" 2>/dev/null)"
    echo "ui-show"
    echo "ui-close"
    echo "unplug"  # ends the bare reader's last read if reports were lost
  } >"$script"
  run_receiver "$preset" "$script" "$log" &
  local receiver=$!
  for _ in $(seq 300); do
    grep -q bare-reader-wanted "$log" 2>/dev/null && break
    sleep 0.2
  done
  (cd "$root/build/$preset/bin" &&
    "$root/scripts/wine-run.sh" input_bench.exe "$reports" "$(tarvex_winepath "$out/peer-$preset.txt" 2>/dev/null)" \
      >"$out/peer-$preset.log" 2>&1) || true
  wait $receiver
}

# The Linux process of Tarvex.exe in this prefix (other prefixes may run
# their own Tarvex at the same time).
own_tarvex() {
  local pid
  for pid in $(pgrep -f 'Tarvex\.exe' || true); do
    if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
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

# The idle rows alone: CPU of the process and of the GUI thread, and the
# GUI thread's time per re-open (the watchdog's check every 200 ms).
print_idle() {
  awk '{ s = $4; t = $5; printf "no receiver, %s foreign (%s): process %.1f%%, GUI thread %.1f%%, %.2f ms a re-open\n", $3, $2, 100 * $6 / t / s, 100 * $7 / t / s, 1000 * $7 / t / (s / 0.2) }' "$out/idle.txt"
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

if [ "$idle_only" = 1 ]; then
  for preset in "${presets[@]}"; do
    for foreign in 0 24 100; do scan_cost "$preset" "$foreign"; idle_cost "$preset" "$foreign"; done
  done
  print_idle
  exit 0
fi

for preset in "${presets[@]}"; do
  echo "bench: $preset throughput ($reports reports)" >&2
  throughput "$preset"
  echo "bench: $preset idle cost" >&2
  for foreign in 0 24 100; do idle_cost "$preset" "$foreign"; done
  echo "bench: $preset soak ($cycles cycles)" >&2
  soak "$preset"
done

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(tarvex_wine --version)"
python3 "$root/bench/wine_figures.py" "$out" "$reports" "$cycles" "${presets[@]}"
if command -v gnuplot >/dev/null; then
  gnuplot -e "dir='$out'; docs='$root/docs'" "$root/bench/wine_figures.gp" 2>/dev/null &&
    echo "plots: docs/bench-latency.png docs/bench-throughput.png"
fi
