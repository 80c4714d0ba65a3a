#!/usr/bin/env bash
# The MSVC import library of an unpacked release serves a caller compiled
# for the MSVC target (clang) and linked by lld-link against it alone: it
# runs under Wine with the release's MQD7RA.dll beside it (its symbols are
# checked by exports.sh).
#   msvc_caller.sh <release folder> win32|win64 <scratch folder>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
release=$(cd "$1" && pwd) arch=$2 out=$3
case $arch in
  win32)
    target=i686-pc-windows-msvc machine=i386 kill_at=-k ;;
  win64)
    target=x86_64-pc-windows-msvc machine=i386:x86-64 kill_at= ;;
  *) echo "msvc_caller.sh: win32 or win64, not $arch" >&2; exit 2 ;;
esac
rm -rf "$out"
mkdir -p "$out"

lib=$release/lib/MQD7RA.lib

# Import libraries for the few Windows functions the caller uses.
for dll in kernel32 user32; do
  if [ "$arch" = win64 ]; then
    sed 's/@[0-9]*$//' "$here/$dll.def" >"$out/$dll.def"
  else
    cp "$here/$dll.def" "$out/$dll.def"
  fi
  llvm-dlltool -m "$machine" $kill_at -d "$out/$dll.def" -l "$out/$dll.lib"
done

clang --target="$target" -ffreestanding -nostdlib -O2 -Wall -Wextra -Werror \
  -I "$release/include" -c "$here/msvc_caller.c" -o "$out/msvc_caller.obj"
lld-link /nologo /entry:CallerMain /subsystem:console /nodefaultlib \
  /out:"$out/msvc_caller.exe" "$out/msvc_caller.obj" "$lib" "$out/kernel32.lib" "$out/user32.lib"
cp "$release/bin/MQD7RA.dll" "$out/"
cd "$out"
# Built and linked on any host; run where the host runs its architecture.
"$here/../../scripts/wine-run.sh" --can-run msvc_caller.exe || exit 0
"$here/../../scripts/wine-run.sh" msvc_caller.exe
