#!/usr/bin/env bash
# Builds the project and runs every test (unit, end-to-end, interoperability).
#   scripts/test.sh              the normal build
#   scripts/test.sh --sanitize   the same tests under AddressSanitizer, LeakSanitizer and
#                                UndefinedBehaviorSanitizer; any finding fails the run
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
dir=build
if [ "${1:-}" = "--sanitize" ]; then
    dir=build-asan
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
jobs=$(nproc 2>/dev/null || echo 2)
ctest --test-dir "$dir" --output-on-failure -j "$jobs"
