#!/usr/bin/env bash
# Prints receiver commands for N input reports of wheel +1 whose bytes 1 and
# 7 (seen by no caller of the library) number them from 0, so a bare reader
# can tell which reports it lost: the input of the benchmarks. Fifty reports
# a command, so that the receiver process queues the burst at once instead
# of competing with its own device for the CPU while the reports go out.
#   bench/numbered_reports.sh N
set -euo pipefail
awk -v n="$1" 'BEGIN {
  for (i = 0; i < n; i++) {
    if (i % 50 == 0) printf "%sreport", (i ? "\n" : "")
    printf " 04 %02X 00 00 00 00 01 %02X", i % 256, int(i / 256) % 256
  }
  if (n > 0) printf "\n"
}'
