#!/usr/bin/env bash
# The exports of an unpacked release, read from the files alone (no program
# runs, so this holds on any host): MQD7RA.dll exports the seven plain names
# and nothing else; both import libraries (MQD7RA.lib for MSVC,
# libMQD7RA.dll.a for MinGW) hold the names a C caller of the header links
# against (32-bit: the stdcall-decorated _XOpen@4 and the rest, each
# importing the plain name; 64-bit: the plain names).
#   exports.sh <release folder> win32|win64
set -euo pipefail
release=$(cd "$1" && pwd) arch=$2
plain="GetDeviceData XClose XGetInput XOpen XSendOutput XWritDev Xinit"
case $arch in
  win32) linked="_GetDeviceData@8 _XClose@0 _XGetInput@8 _XOpen@4 _XSendOutput@8 _XWritDev@8 _Xinit@0" ;;
  win64) linked=$plain ;;
  *) echo "exports.sh: win32 or win64, not $arch" >&2; exit 2 ;;
esac

# check WHAT GOT WANT
check() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: $2 (want $3)"; exit 1
  fi
  echo "ok   $1: $2"
}

exported=$(llvm-readobj --coff-exports "$release/bin/MQD7RA.dll" |
  sed -n 's/^ *Name: //p' | LC_ALL=C sort | xargs)
check "MQD7RA.dll exports" "$exported" "$plain"
for lib in MQD7RA.lib libMQD7RA.dll.a; do
  got=$(llvm-nm "$release/lib/$lib" | awk '$2 == "T" && $3 !~ /^__imp_/ { print $3 }' | LC_ALL=C sort | xargs)
  check "$lib symbols" "$got" "$linked"
done
# The names the symbols import from the DLL: MSVC's short import records
# say how they derive them; GNU's import members hold each name (after a
# two-byte hint) in their .idata$6 section.
if [ "$arch" = win32 ] && [ "$(llvm-readobj "$release/lib/MQD7RA.lib" | grep -c 'Name type: undecorate')" != 7 ]; then
  echo "FAIL MQD7RA.lib: not every import takes the undecorated name"; exit 1
fi
# objdump's dump: the offset, four groups of hex, then the bytes as text
# from column 44, '.' for each byte that does not print.
imported=$(llvm-objdump -s -j '.idata$6' "$release/lib/libMQD7RA.dll.a" | awk '
  /^Contents of section/ { if (name != "") print name; name = ""; next }
  /^ [0-9a-f]+ / { name = name substr($0, 44) }
  END { if (name != "") print name }' |
  sed -e 's/^..//' -e 's/\.*$//' | LC_ALL=C sort | xargs)
check "libMQD7RA.dll.a imports" "$imported" "$plain"
