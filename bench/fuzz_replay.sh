#!/usr/bin/env bash
# Fuzzes the replay of recordings for SECONDS (default 600) with clang's
# libFuzzer, ASan and UBSan, at a low priority; seeded with the committed
# corpus, the demo, every test script and the README's recording. Inputs
# that crash, hang or grow without bound land in build/fuzz/artifacts/.
#   bench/fuzz_replay.sh [SECONDS] [--merge]
# --merge: afterwards, add to bench/fuzz/corpus the inputs that reach code
# it does not (the corpus runs as the test vreceiver.replay_fuzz_corpus).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-600}
build=$root/build/fuzz
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_SANITIZE=fuzzer >/dev/null
nice -n 15 cmake --build "$build" --target fuzz_replay
mkdir -p "$build/corpus" "$build/seeds" "$build/artifacts"
# Seeds: the scripts as they are, and the README's recording.
for script in "$root"/vreceiver/demo/*.vr $(find "$root/tests" -name '*.vr'); do
  cp "$script" "$build/seeds/$(echo "${script#$root/}" | tr / _)"
done
sed -n '/^# Recorded by pendant-record/,/^```/p' "$root/README.md" | sed '$d' >"$build/seeds/readme.vr"
nice -n 15 "$build/bin/fuzz_replay" -max_total_time="$seconds" -max_len=8192 -timeout=30 \
  -rss_limit_mb=2048 -dict="$root/bench/fuzz/replay.dict" -artifact_prefix="$build/artifacts/" \
  -print_final_stats=1 "$build/corpus" "$root/bench/fuzz/corpus" "$build/seeds"
if [ "${2:-}" = --merge ]; then
  "$build/bin/fuzz_replay" -merge=1 "$root/bench/fuzz/corpus" "$build/corpus" "$build/seeds"
fi
