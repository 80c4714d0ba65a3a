#!/usr/bin/env bash
# Prints N receiver commands, each one input report of wheel +1 whose bytes
# 1 and 7 (seen by no caller of the library) number it from 0, so a bare
# reader can tell which reports it lost: the input of the benchmarks.
#   bench/numbered_reports.sh N
set -euo pipefail
awk -v n="$1" 'BEGIN {
  for (i = 0; i < n; i++) printf "report 04 %02X 00 00 00 00 01 %02X\n", i % 256, int(i / 256) % 256
}'
