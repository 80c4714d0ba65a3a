#!/usr/bin/env bash
# Runs a Windows program under the project's own Wine prefix (made by
# scripts/wine-prefix.sh), quietly, with the loader scripts/wine-env.sh
# picked. Used by CTest as the cross-compiling emulator and by the demo.
# A 32-bit program on a host that runs no 32-bit programs is not started:
# it says why and exits 77, which CTest counts as skipped.
#   scripts/wine-run.sh PROGRAM [ARGS]
#   scripts/wine-run.sh --can-run PROGRAM   only the check: 0, or 77 and why
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
export WINEPREFIX=${TARVEX_WINEPREFIX:-$here/../build/wine-prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
check_only=0
if [ "${1:-}" = --can-run ]; then
  check_only=1
  shift
fi
if tarvex_pe_is_32bit "$1" && tarvex_skip_32bit "${1##*/} under Wine"; then
  exit 77
fi
[ $check_only = 0 ] || exit 0
[ -f "$WINEPREFIX/system.reg" ] || "$here/wine-prefix.sh" >&2
exec "$TARVEX_WINE" "$@"
