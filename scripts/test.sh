#!/usr/bin/env bash
# Every test: installs what is missing, builds all presets, runs the native
# unit tests (plain, ASan+UBSan, TSan) and the Wine tests of the real
# Windows binaries, both architectures.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
scripts/build.sh
for p in native asan tsan; do
  echo "== test $p"
  ctest --preset "$p"
done
# The prefix with its own wine server and the virtual receiver's driver
# (from the x86_64 build), once for both architectures: every receiver
# process seeds the driver afresh, so no test depends on another's leftovers.
scripts/wine-prefix.sh
# Each Wine test runs once: a failure is a fault to find, not to retry.
for p in mingw-i686 mingw-x86_64; do
  echo "== test $p (Wine)"
  scripts/with-xvfb.sh ctest --preset "$p"
done
