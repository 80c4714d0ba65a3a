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
scripts/wine-prefix.sh
for p in mingw-i686 mingw-x86_64; do
  echo "== test $p (Wine)"
  scripts/with-xvfb.sh ctest --preset "$p"
done
