#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) in
# build/fuzz and runs each for a bounded time from its seed corpus in tests/fuzz/corpus.
# Any crash, leak or broken invariant fails the run; its input is kept in build/fuzz/crashes.
#   scripts/fuzz.sh [SECONDS_EACH]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
tree=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DVOSS_FUZZ=ON >/dev/null
targets=(state_load png_decode utf8_text dispatcher_text)
cmake --build "$tree" --target "${targets[@]/#/fuzz_}"

mkdir -p "$tree/crashes"
for t in "${targets[@]}"; do
  # New inputs go to a scratch copy: the repository's corpus stays as committed.
  work=$(mktemp -d)
  cp tests/fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  echo "== fuzz $t: ${seconds} s"
  if ! "$tree/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$tree/crashes/$t-" -print_final_stats=1 "$work" >"$tree/fuzz_$t.log" 2>&1; then
    tail -40 "$tree/fuzz_$t.log"
    echo "fuzz $t: FAILED (input kept in $tree/crashes)"
    rm -rf "$work"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$tree/fuzz_$t.log" | tr '\n' ' '
  echo
  rm -rf "$work"
done
