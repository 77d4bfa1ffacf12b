#!/usr/bin/env bash
# Builds (if needed) and runs one libFuzzer target with its seeds.
#
#   fuzz/run.sh TARGET [SECONDS] [libFuzzer options...]
#
# TARGET is a *_fuzzer name (fuzz/*_fuzzer.cpp) or its short form (ini_reader). SECONDS
# defaults to 300. The build goes to build-fuzz/ (clang, BRAKON_FUZZ=ON; override with
# BRAKON_FUZZ_BUILD). Inputs that add coverage are kept in fuzz/corpus-TARGET/ (not committed),
# findings (crash-*, timeout-*, leak-*, oom-*) in build-fuzz/findings/TARGET/. Replay one with
#   build-fuzz/bin/TARGET FILE
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BRAKON_FUZZ_BUILD:-$root/build-fuzz}

if [[ $# -lt 1 ]]; then
    echo "usage: $0 TARGET [SECONDS] [libFuzzer options...]" >&2
    echo "targets:" $(cd "$root/fuzz" && ls *_fuzzer.cpp | sed 's/\.cpp$//') >&2
    exit 2
fi
target=${1%_fuzzer}_fuzzer
seconds=${2:-300}
shift $(( $# >= 2 ? 2 : 1 ))
if [[ ! -f $root/fuzz/$target.cpp ]]; then
    echo "$0: no fuzz target $target (fuzz/$target.cpp)" >&2
    exit 2
fi

# Input size limits: large enough for the seeds and what the format needs to show its
# structure, small enough to keep the executions per second up.
case $target in
    dxf_*)           options=(-max_len=32768 -dict="$root/fuzz/dxf.dict") ;;
    docdata_*)       options=(-max_len=8192 -dict="$root/fuzz/xml.dict") ;;
    ini_*)           options=(-max_len=8192) ;;
    replacements_*)  options=(-max_len=4096) ;;
    wildcard_*)      options=(-max_len=512) ;;
    *)               options=() ;;
esac

if [[ ! -f $build/CMakeCache.txt ]]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DBRAKON_FUZZ=ON -DBRAKON_WERROR=OFF >/dev/null
fi
cmake --build "$build" -j2 --target "$target" >/dev/null

corpus=$root/fuzz/corpus-${target%_fuzzer}
findings=$build/findings/$target
mkdir -p "$corpus" "$findings"

# Every path is absolute: a target may change its working folder.
exec "$build/bin/$target" "$corpus" "$root/fuzz/seeds/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${options[@]}" "$@"
