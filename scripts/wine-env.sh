# Sourced by every script that runs Wine. Finds out once a run (the answer
# is exported, so the scripts it starts do not ask again) whether this host
# runs 32-bit programs, by starting Wine's 32-bit loader, and picks the
# loader and the server every Wine step then uses:
#   TARVEX_RUNS_32BIT  yes or no
#   TARVEX_NO_32BIT_WHY  why not, when no
#   TARVEX_WINE        the loader: Wine's 32-bit one where the host runs
#                      32-bit programs (it hands 64-bit programs to the
#                      64-bit one, as Debian's `wine` does), else the
#                      64-bit one; exported as WINELOADER too, so Wine's
#                      own helpers start the same
#   WINESERVER         the server of the host's own architecture
# The loaders are told apart by their ELF class, not by their names: a
# host's `wine` command may be either, and Debian's picks the 32-bit one
# whenever it is installed, even where the kernel refuses to run it.
# TARVEX_NO_32BIT=1 makes a host that runs 32-bit programs behave as one
# that does not, so that both paths can be tried on any machine.
#
# Defines: tarvex_wine PROGRAM [ARGS] (runs a Windows program), and
# tarvex_pe_is_32bit FILE (true for a 32-bit Windows program).

# The ELF class of a file: 1 for 32-bit, 2 for 64-bit, nothing otherwise.
tarvex_elf_class() {
  [ -f "$1" ] && [ "$(head -c 4 "$1" 2>/dev/null | od -An -c | tr -d ' ')" = '177ELF' ] &&
    od -An -tu1 -j4 -N1 "$1" | tr -d ' '
}

# True when FILE is a Windows program or DLL for 32-bit x86 (PE machine
# 0x14c), read from its headers.
tarvex_pe_is_32bit() {
  local pe
  [ -f "$1" ] || return 1
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$pe" ] || return 1
  [ "$(od -An -tx1 -j"$pe" -N6 "$1" 2>/dev/null | tr -d ' \n')" = 504500004c01 ]
}

# Wine's loaders and servers, wherever this host keeps them: ELF files of
# these names in Wine's library folder or on PATH.
tarvex_wine_candidates() {
  local dir name
  for dir in /usr/lib/wine /usr/lib64/wine /usr/lib/i386-linux-gnu/wine \
             /usr/lib/x86_64-linux-gnu/wine /opt/wine-stable/bin /usr/local/bin /usr/bin; do
    for name in "$@"; do
      [ -n "$(tarvex_elf_class "$dir/$name")" ] && echo "$dir/$name"
    done
  done
  return 0
}

# The first candidate of ELF class $1 among the files named in $2...
tarvex_pick_by_class() {
  local class=$1 file
  shift
  for file in $(tarvex_wine_candidates "$@"); do
    [ "$(tarvex_elf_class "$file")" = "$class" ] && { echo "$file"; return 0; }
  done
  return 1
}

tarvex_decide_wine() {
  local loader32 loader64 server32 server64 why
  loader32=$(tarvex_pick_by_class 1 wine) || loader32=
  loader64=$(tarvex_pick_by_class 2 wine64 wine) || loader64=
  server32=$(tarvex_pick_by_class 1 wineserver32 wineserver) || server32=
  server64=$(tarvex_pick_by_class 2 wineserver64 wineserver) || server64=
  if [ "${TARVEX_NO_32BIT:-}" = 1 ]; then
    why="TARVEX_NO_32BIT=1 is set"
  elif [ -z "$loader32" ]; then
    why="Wine's 32-bit loader is not installed"
  elif ! why=$("$loader32" --version 2>&1 >/dev/null); then
    why="Wine's 32-bit loader $loader32 does not start: ${why:-no reason given}"
  else
    why=
  fi
  if [ -z "$why" ]; then
    export TARVEX_RUNS_32BIT=yes TARVEX_NO_32BIT_WHY=
    export TARVEX_WINE=$loader32 WINESERVER=${server64:-$server32}
  else
    export TARVEX_RUNS_32BIT=no TARVEX_NO_32BIT_WHY=$why
    export TARVEX_WINE=$loader64 WINESERVER=$server64
  fi
  [ -n "$TARVEX_WINE" ] || { echo "wine-env: no Wine loader that this host runs" >&2; return 1; }
  export WINELOADER=$TARVEX_WINE
  if [ "$TARVEX_RUNS_32BIT" = yes ]; then
    echo "host: runs 32-bit programs; Wine runs both architectures" >&2
  else
    echo "host: runs no 32-bit programs ($why); Wine runs 64-bit programs only, and what needs 32-bit programs is skipped" >&2
  fi
}

# Runs a Windows program (or Wine's own: wineboot.exe, winepath.exe, ...).
tarvex_wine() {
  "$TARVEX_WINE" "$@"
}

# wineserver with the server picked above.
tarvex_wineserver() {
  "$WINESERVER" "$@"
}

# A Unix path as the Windows path the prefix's programs see it.
tarvex_winepath() {
  "$TARVEX_WINE" winepath.exe -w "$1"
}

# The presets given whose programs this host runs; a skip line for each
# other (the 32-bit preset on a host that runs no 32-bit programs).
tarvex_runnable_presets() {
  local preset
  for preset in "$@"; do
    if [ "$preset" = mingw-i686 ] && tarvex_skip_32bit "$preset: ${TARVEX_STEP:-its Wine steps}" >&2; then
      continue
    fi
    echo "$preset"
  done
}

# A skip line for a step that needs 32-bit programs; true when it is to be
# skipped. Usage: tarvex_skip_32bit "what is not run" && <skip>
tarvex_skip_32bit() {
  [ "$TARVEX_RUNS_32BIT" = no ] || return 1
  echo "skipped: $1 (needs 32-bit programs; $TARVEX_NO_32BIT_WHY)"
}

if [ -z "${TARVEX_RUNS_32BIT:-}" ] || [ -z "${TARVEX_WINE:-}" ]; then
  tarvex_decide_wine
fi
