#!/usr/bin/env bash
# Runs a Windows program under the project's own Wine prefix (made by
# scripts/wine-prefix.sh), quietly. Used by CTest as the cross-compiling
# emulator and by the demo.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${TARVEX_WINEPREFIX:-$here/../build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh" >&2
exec wine "$@"
