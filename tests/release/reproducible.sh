#!/usr/bin/env bash
# Two releases from the same commit give the same bytes: makes a second one
# (scripts/release.sh --no-tests) in a fresh build folder of its own, with
# another path, and compares its zips and SHA256SUMS with the first's; on a
# difference it names the files that differ.
#   reproducible.sh <dist folder of the first release>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
first=$(cd "$1" && pwd)
again=$root/build/release-again
rm -rf "$again"
"$root/scripts/release.sh" --no-tests --build-root "$again" --out "$again/dist" >/dev/null

status=0
for file in "$first"/tarvex-*.zip "$first/SHA256SUMS"; do
  name=${file##*/}
  if cmp -s "$file" "$again/dist/$name"; then
    echo "ok   $name: the same bytes"
  else
    echo "FAIL $name differs between the two releases"
    case $name in
      *.zip) diff <(unzip -v "$file" | tail -n +2) <(unzip -v "$again/dist/$name" | tail -n +2) || true ;;
    esac
    status=1
  fi
done
exit $status
