#!/usr/bin/env bash
# Checks the release zips in a folder: SHA256SUMS matches them; each zip
# holds exactly the release's files with the right exports; its MSVC import
# library serves a caller built for the MSVC target, its example runs and its
# recorder records against the virtual receiver, all under Wine (the win32
# zip's programs only where the host runs 32-bit programs; they are built
# and linked everywhere). The receiver comes from the MinGW builds in
# the build root (default build: build/mingw-i686/bin, build/mingw-x86_64/bin);
# the scratch files go to its release-check/.
#   check_release.sh <dist folder> [build root]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
dist=$(cd "$1" && pwd)
build_root=$(cd "${2:-$root/build}" && pwd)
scratch=$build_root/release-check
want="LICENSE.txt README.txt bin/MQD7RA.dll bin/Tarvex.exe bin/pendant-record.exe
examples/pendant_console/CMakeLists.txt examples/pendant_console/pendant_console.c
include/mqd7ra.h lib/MQD7RA.lib lib/cmake/MQD7RA/MQD7RAConfig.cmake
lib/cmake/MQD7RA/MQD7RAConfigVersion.cmake lib/libMQD7RA.dll.a lib/mqd7ra.def"

(cd "$dist" && sha256sum --check --quiet SHA256SUMS)
for pair in win32:mingw-i686 win64:mingw-x86_64; do
  arch=${pair%:*} preset=${pair#*:}
  zips=("$dist"/tarvex-*-"$arch".zip)
  [ ${#zips[@]} = 1 ] && [ -f "${zips[0]}" ] || { echo "FAIL one $arch zip in $dist"; exit 1; }
  echo "== release check ${zips[0]##*/}"
  got=$(unzip -Z1 "${zips[0]}" | LC_ALL=C sort | xargs)
  if [ "$got" != "$(xargs <<<"$want")" ]; then
    echo "FAIL contents: $got"; exit 1
  fi
  echo "ok   contents: the $(wc -w <<<"$got") files"
  unpacked=$scratch/$arch/release
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  unzip -q "${zips[0]}" -d "$unpacked"
  "$here/exports.sh" "$unpacked" "$arch"
  "$here/msvc_caller.sh" "$unpacked" "$arch" "$scratch/$arch/msvc-caller"
  "$here/example.sh" "$unpacked" "$arch" "$scratch/$arch/example" "$build_root/$preset/bin"
  "$here/recorder.sh" "$unpacked" "$scratch/$arch/recorder" "$build_root/$preset/bin"
done
if [ "${TARVEX_RUNS_32BIT:-}" = no ]; then
  echo "release check: all that ran passed; the win32 zip's programs did not run ($TARVEX_NO_32BIT_WHY)"
else
  echo "release check: all passed"
fi
