#!/usr/bin/env bash
# Makes the project's Wine prefix (32- and 64-bit programs), with the
# dialog font "宋体" mapped to an installed CJK font so Chinese texts show,
# and with the stand-in hid.dll and setupapi.dll (beside the EXE) loaded for
# the programs that reach the virtual receiver through MQD7RA.dll.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${TARVEX_WINEPREFIX:-$here/../build/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
if [ ! -f "$WINEPREFIX/.tarvex-ready" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'SimSun' /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tarvex-ready"
fi

# Per-program overrides only: a global WINEDLLOVERRIDES for hid/setupapi
# breaks Wine's own services.
standin_programs=(Tarvex.exe pendant_console.exe)
if [ ! -f "$WINEPREFIX/.tarvex-tools-v3" ]; then
  for program in "${standin_programs[@]}"; do
    key="HKCU\\Software\\Wine\\AppDefaults\\$program\\DllOverrides"
    wine reg add "$key" /v hid /t REG_SZ /d native /f >/dev/null 2>&1
    wine reg add "$key" /v setupapi /t REG_SZ /d native /f >/dev/null 2>&1
  done
  # A crash prints its backtrace and ends the program instead of waiting in a
  # dialog that nobody closes.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.tarvex-tools-v3"
fi
