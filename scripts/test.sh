#!/usr/bin/env bash
# Every test: installs what is missing, checks that the C and C++ files are
# as clang-format writes them, builds all presets, runs the native
# unit tests (plain, ASan+UBSan, TSan) and the Wine tests of the real
# Windows binaries, both architectures; then makes the release (dist/) from
# those builds, checks its zips (an MSVC-target caller and the example under
# Wine) and that a second release from scratch has the same bytes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
scripts/format-check.sh
# Whether this host runs 32-bit programs, said once; where it does not,
# every Wine step runs Wine's 64-bit loader and the 32-bit programs' tests
# are skipped (TARVEX_NO_32BIT=1 makes any host behave so).
# shellcheck source=wine-env.sh
. scripts/wine-env.sh
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
# On a host that runs no 32-bit programs the i686 suite's Wine tests are
# skipped (CTest lists them) and its static checks of the binaries run.
for p in mingw-i686 mingw-x86_64; do
  echo "== test $p (Wine)"
  if [ $p = mingw-i686 ]; then
    tarvex_skip_32bit "the i686 Wine tests; the static checks of its binaries run" || true
  fi
  scripts/with-xvfb.sh scripts/wine-prefix.sh ctest --preset "$p"
done
echo "== release"
scripts/release.sh --no-tests
scripts/with-xvfb.sh scripts/wine-prefix.sh tests/release/check_release.sh dist
tests/release/reproducible.sh dist
