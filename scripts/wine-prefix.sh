#!/usr/bin/env bash
# Makes the project's Wine prefix (32- and 64-bit programs), with the
# dialog font "宋体" mapped to an installed CJK font so Chinese texts show.
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
