#!/usr/bin/env bash
# Makes the release in dist/: tarvex-<version>-win32.zip and -win64.zip
# (the tree that `cmake --install` lays out: bin/ with the recorder,
# include/, lib/ with both import libraries and the CMake package,
# examples/, README.txt, LICENSE.txt) and SHA256SUMS over them. The version is the CMake project's.
# Builds both MinGW presets and tests what it packs before it writes to
# dist/: their Wine tests and the release checks of the zips themselves
# (tests/release/check_release.sh).
#   scripts/release.sh [--no-tests] [--build-root DIR] [--out DIR]
#     --no-tests        build and pack only (scripts/test.sh, which has run
#                       the tests already, checks the zips itself)
#     --build-root DIR  build in DIR/mingw-i686 and DIR/mingw-x86_64 (default build)
#     --out DIR         write the zips there (default dist)
# Reproducible: the same commit gives the same bytes, in any build folder.
# The linker writes no time stamp; the strip of the install writes
# SOURCE_DATE_EPOCH (the commit's time, unless set) into the PE headers, and
# the files in the archive carry that time, in byte order, with fixed modes
# and no extra fields.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
tests=1 build_root=build out=dist
while [ $# -gt 0 ]; do
  case $1 in
    --no-tests) tests=0 ;;
    --build-root) build_root=$2; shift ;;
    --out) out=$2; shift ;;
    *) echo "release: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done

scripts/setup.sh
mkdir -p "$build_root" "$out"
build_root=$(cd "$build_root" && pwd) out=$(cd "$out" && pwd)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || {
    echo "release: no git commit to take the time from; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

# build_and_stage PRESET STAGE: builds the preset in its folder under
# build_root and installs it, stripped, into STAGE.
build_and_stage() {
  local dir=$build_root/$1
  cmake --preset "$1" -B "$dir" >/dev/null
  if [ "$tests" = 1 ]; then
    cmake --build "$dir"
  else
    cmake --build "$dir" --target MQD7RA Tarvex pendant-record
  fi
  rm -rf "$2"
  cmake --install "$dir" --prefix "$2" --strip >/dev/null
}

# pack STAGE ZIP: the folder's files, in byte order, with the commit's time,
# fixed modes and no extra fields or folder entries.
pack() {
  local list
  find "$1" -type d -exec chmod 755 {} +
  find "$1" -type f -exec chmod 644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  list=$(cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
  rm -f "$2"
  (cd "$1" && TZ=UTC zip -q -X -D "$2" -@ <<<"$list")
}

# The zips wait here until their tests have passed.
pending=$build_root/release-pending
rm -rf "$pending"
mkdir -p "$pending"
zips=()
for pair in mingw-i686:win32 mingw-x86_64:win64; do
  preset=${pair%:*} arch=${pair#*:}
  echo "== release $arch"
  stage=$build_root/$preset/release-stage
  build_and_stage "$preset" "$stage"
  version=$(cat "$build_root/$preset/release-version.txt")
  zip=tarvex-$version-$arch.zip
  pack "$stage" "$pending/$zip"
  zips+=("$zip")
done
(cd "$pending" && sha256sum "${zips[@]}" >SHA256SUMS)

if [ "$tests" = 1 ]; then
  for preset in mingw-i686 mingw-x86_64; do
    echo "== test $preset (Wine)"
    scripts/with-xvfb.sh scripts/wine-prefix.sh \
      ctest --test-dir "$build_root/$preset" --output-on-failure
  done
  scripts/with-xvfb.sh scripts/wine-prefix.sh tests/release/check_release.sh "$pending" "$build_root"
fi

rm -f "$out"/tarvex-*-win32.zip "$out"/tarvex-*-win64.zip "$out/SHA256SUMS"
mv "$pending"/* "$out/"
echo "release: $out"
(cd "$out" && ls -l "${zips[@]}" && cat SHA256SUMS)
