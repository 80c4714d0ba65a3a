#!/usr/bin/env bash
# Runs Tarvex.exe from a folder of its own next to the probe library and
# checks the library calls it made (start-up, the automatic display-text send
# after the probe's one input, teardown) and its standard-output line.
#   tarvex_library_calls.sh <Tarvex.exe> <uiprobe.exe> <probe dll> <scratch dir>
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
exe=$1 helper=$2 probe=$3 dir=$4
# A 32-bit program on a host that runs none: skipped (77), with the reason.
"$here/../../scripts/wine-run.sh" --can-run "$exe" || exit
rm -rf "$dir" && mkdir -p "$dir"
cp "$exe" "$dir/Tarvex.exe"
cp "$probe" "$dir/MQD7RA.dll"
TARVEX_STDOUT="$dir/stdout.txt" "$here/tarvex_start.sh" "$dir/Tarvex.exe" "$helper" -

calls=$(cat "$dir/mqd7ra-probe.log" 2>/dev/null || true)
# The send's status check (XGetInput) may or may not come before the close.
if ! [[ "$calls" =~ ^Xinit$'\n'XOpen$'\n'XSendOutput$'\n'(XGetInput$'\n')?XClose$ ]]; then
  printf 'unexpected library calls:\n%s\n' "$calls"; exit 1
fi
echo "library calls: ${calls//$'\n'/, }"

line=$(iconv -f GBK -t UTF-8 <"$dir/stdout.txt" | tr -d '\r')
if [ "$line" != " 接收到滚轮2数据,总数据：0 " ]; then
  echo "standard output: '$line'"; exit 1
fi
echo "standard output: '$line'"
