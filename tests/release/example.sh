#!/usr/bin/env bash
# The example program of an unpacked release, built from the release alone
# (its examples/ folder and its CMake package, with the MinGW toolchain), run
# under Wine against the virtual receiver (pendant_console.vr).
#   example.sh <release folder> win32|win64 <scratch folder> <folder of vreceiver.exe>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
release=$1 arch=$2 out=$3 tools=$4
case $arch in
  win32) toolchain=mingw-i686 ;;
  win64) toolchain=mingw-x86_64 ;;
  *) echo "example.sh: win32 or win64, not $arch" >&2; exit 2 ;;
esac
rm -rf "$out"
cmake -S "$release/examples/pendant_console" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  --toolchain "$root/cmake/$toolchain.cmake" -DCMAKE_PREFIX_PATH="$release" >/dev/null
cmake --build "$out"

# >>> Stand-ins: the virtual receiver reaches a program through stand-in
# hid.dll and setupapi.dll beside it (and its name in wine-prefix.sh's
# standin_programs). Delete this block once the receiver is a device of
# Wine's own HID stack.
cp "$tools/hid.dll" "$tools/setupapi.dll" "$out/"
# <<< Stand-ins

cd "$out"
"$root/scripts/wine-run.sh" "$tools/vreceiver.exe" --script "$here/pendant_console.vr"
