#!/usr/bin/env bash
# Every test: installs what is missing, builds all presets, runs the native
# unit tests (plain, ASan+UBSan, TSan) and the Wine tests of the real
# Windows binaries, both architectures; then makes the release (dist/) from
# those builds, checks its zips (an MSVC-target caller and the example under
# Wine) and that a second release from scratch has the same bytes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
scripts/build.sh
for p in native asan tsan; do
  echo "== test $p"
  ctest --preset "$p"
done
# Each architecture's Wine tests under an X server of their own, with a
# wine server that lives as long as the run (scripts/wine-prefix.sh; it
# installs the virtual receiver's driver from the x86_64 build). Every
# receiver process seeds the driver afresh, so no test depends on another's
# leftovers. Each test runs once: a failure is a fault to find, not to retry.
for p in mingw-i686 mingw-x86_64; do
  echo "== test $p (Wine)"
  scripts/with-xvfb.sh scripts/wine-prefix.sh ctest --preset "$p"
done
echo "== release"
scripts/release.sh --no-tests
scripts/with-xvfb.sh scripts/wine-prefix.sh tests/release/check_release.sh dist
tests/release/reproducible.sh dist
