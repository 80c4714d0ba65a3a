#!/usr/bin/env bash
# Makes the project's Wine prefix (32- and 64-bit programs, or 64-bit only
# on a host that runs no 32-bit programs: scripts/wine-env.sh) ready: the
# dialog font "宋体" mapped to an installed CJK font so Chinese texts show,
# and the virtual receiver's driver (tarvexvr.sys, built in the x86_64 MinGW
# build) installed, or replaced when the build has a newer one. Any program
# in the prefix then finds the receiver, while vreceiver.exe runs, through
# Wine's own HID stack.
#   scripts/wine-prefix.sh                 prepare only
#   scripts/wine-prefix.sh COMMAND [ARGS]  prepare, then run COMMAND with a
#       wine server of the prefix's own that stays up between its programs
#       (the driver lives in its winedevice.exe) and ends with COMMAND.
# Wine's desktop process belongs to the X display the server started
# with, so a server never outlives the display of the COMMAND it serves.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
export WINEPREFIX=${TARVEX_WINEPREFIX:-$here/../build/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
driver_bin=${TARVEX_DRIVER_BIN:-$here/../build/mingw-x86_64/bin}

mkdir -p "$WINEPREFIX"
# A fresh server each time: its lifetime is ours to set, and no driver
# state from an earlier run stays behind.
tarvex_wineserver -k 2>/dev/null || true
tarvex_wineserver -w 2>/dev/null || true
# Output of the first Wine command of a server never into a pipe: the
# services it starts keep it open. Only files and /dev/null here.
if [ ! -f "$WINEPREFIX/.tarvex-ready" ]; then
  tarvex_wine wineboot.exe -i >/dev/null 2>&1 || true
  tarvex_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  tarvex_wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'SimSun' /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  # A crash prints its backtrace and ends the program instead of waiting in
  # a dialog that nobody closes.
  tarvex_wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Installing right after the first boot races its service restart.
  tarvex_wineserver -w
  touch "$WINEPREFIX/.tarvex-ready"
fi

tarvex_wine wineboot.exe >/dev/null 2>&1 || true

installed=$WINEPREFIX/drive_c/windows/system32/drivers/tarvexvr.sys
if [ ! -f "$driver_bin/tarvexvr.sys" ]; then
  echo "wine-prefix: no $driver_bin/tarvexvr.sys (build the mingw-x86_64 preset); the virtual receiver is not installed" >&2
elif ! cmp -s "$driver_bin/tarvexvr.sys" "$installed"; then
  log=$(mktemp)
  if ! tarvex_wine "$driver_bin/vrinstall.exe" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  grep -a vrinstall "$log" || true
  rm -f "$log"
fi

if [ $# -eq 0 ]; then
  tarvex_wineserver -k 2>/dev/null || true
  exit 0
fi
# The running server and its services carry on, now for as long as the
# command runs.
tarvex_wineserver -k 2>/dev/null || true
tarvex_wineserver -w 2>/dev/null || true
tarvex_wineserver -p
tarvex_wine wineboot.exe >/dev/null 2>&1 || true
status=0
"$@" || status=$?
tarvex_wineserver -k 2>/dev/null || true
exit $status
