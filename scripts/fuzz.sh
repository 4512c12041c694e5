#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang and runs each for a while.
#   scripts/fuzz.sh [SECONDS_PER_HARNESS]      (default 60)
# Seeds are generated into build-fuzz/corpus/<harness>; whatever the fuzzer
# finds is kept there too. Crashes land in build-fuzz/crashes/ and fail the run;
# fixed crashes belong in fuzz/regressions/<harness>/, replayed on every run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

scripts/deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target FuzzSizeField FuzzPicture FuzzBmpHeader FuzzBitmapExport fuzz_seeds >build-fuzz.log 2>&1 || { tail -30 build-fuzz.log; exit 1; }

seeds=build-fuzz/seeds
rm -rf "$seeds" # cheap to make, and always those of this version
build-fuzz/fuzz/fuzz_seeds "$seeds"
mkdir -p build-fuzz/crashes

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
run() {
  local harness=$1 seeddir=$2
  local corpus=build-fuzz/corpus/$harness
  mkdir -p "$corpus"
  cp -n "$seeds/$seeddir"/* "$corpus"/ 2>/dev/null || true
  if [ -d "fuzz/regressions/$harness" ] && ls "fuzz/regressions/$harness"/* >/dev/null 2>&1; then
    echo "== $harness: replaying regressions"
    build-fuzz/fuzz/$harness -runs=0 -timeout=10 -rss_limit_mb=2048 "fuzz/regressions/$harness" || status=1
  fi
  echo "== $harness: ${seconds}s"
  build-fuzz/fuzz/$harness -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix=build-fuzz/crashes/$harness- "$corpus" 2>&1 |
    grep -E '^#[0-9]+ *(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY|Test unit written' || true
  ls build-fuzz/crashes/$harness-* >/dev/null 2>&1 && { echo "!! $harness found a crash"; status=1; }
  return 0
}
run FuzzSizeField size
run FuzzBmpHeader bmp
run FuzzPicture picture
run FuzzBitmapExport export
exit $status
