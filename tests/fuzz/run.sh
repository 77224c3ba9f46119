#!/bin/sh
# Fuzzes whole runs for the given number of seconds (default 60) under AddressSanitizer and
# UndefinedBehaviorSanitizer. The corpus starts from the shipped examples and the regression
# inputs in tests/fuzz/regressions; what the fuzzer finds is kept in build-fuzz/corpus.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build-fuzz/corpus build-fuzz/seeds
for job in examples/*.txt; do
  name=$(basename "$job" .txt)
  script="examples/$name.konzole"
  { cat "$job"; printf '\0'; [ -f "$script" ] && tail -n +4 "$script"; } > "build-fuzz/seeds/$name"
done
cp tests/fuzz/regressions/* build-fuzz/seeds/ 2>/dev/null || true
# Every regression input must pass before the search starts.
./build-fuzz/kavron_fuzz -runs=0 tests/fuzz/regressions >/dev/null 2>&1 || {
  ./build-fuzz/kavron_fuzz -runs=0 tests/fuzz/regressions; exit 1; }
./build-fuzz/kavron_fuzz -max_total_time="$seconds" -timeout=60 -max_len=8192 \
  -print_final_stats=1 -artifact_prefix=build-fuzz/ build-fuzz/corpus build-fuzz/seeds \
  > build-fuzz/last-run.log 2>&1 || { tail -n 40 build-fuzz/last-run.log; exit 1; }
grep -E '^stat::number_of_executed_units|^Done' build-fuzz/last-run.log
# The input read of the real program, under the sanitizers: from pipes and devices, interrupted.
cmake --preset asan >/dev/null
cmake --build --preset asan --target kavron
tests/fuzz/input-read.sh build-asan/kavron 20 build-fuzz/corpus
