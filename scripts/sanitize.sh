#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (the
# sanitize preset, in build-sanitize) and runs the whole test suite there. Any
# report fails its test: errors abort, leaks are errors, and the suppressions
# (tests/lsan.supp) name third-party libraries only.
#   scripts/sanitize.sh [CTEST_ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset sanitize >/dev/null
cmake --build build-sanitize -j "$(nproc)" >build-sanitize.log 2>&1 || { tail -40 build-sanitize.log; exit 1; }

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)" "$@"
