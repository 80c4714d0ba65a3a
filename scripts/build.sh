#!/usr/bin/env bash
# Configures and builds the given CMake presets (default: all of them).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native asan tsan mingw-i686 mingw-x86_64)
for p in "${presets[@]}"; do
  echo "== build $p"
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p"
done
