#!/bin/bash
# Benchmark of the dependency listing command: whole cadhost processes, as the PDM system runs
# them, on the xref corpus of bench/ (gen_corpus.py). Each job runs 6 times; the first run is
# dropped and the median wall time of the other 5 is printed with min-max and the median peak
# RSS, the way the ezdxf baseline was measured. The list files are checked against the
# expected line counts so that a fast but wrong run cannot pass for a result.
#
# usage: bench/deps_bench.sh [BIN_DIR] [CORPUS_DIR]
#   BIN_DIR     where cadhost and brakon.so are (default build/bin)
#   CORPUS_DIR  the generated corpus (default benchcorpus; make it with
#               /usr/bin/python3 /work/shared/bench/gen_corpus.py benchcorpus --no-sheets)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${1:-$root/build/bin}")
corpus=$(realpath "${2:-$root/benchcorpus}")
cadhost="$bin/cadhost"
[ -x "$cadhost" ] || { echo "no cadhost in $bin" >&2; exit 2; }
[ -f "$corpus/xtree/root.dxf" ] || { echo "no xref corpus in $corpus" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# job NAME DRAWING TRAVERSE EXPECTED_LINES
job() {
    local name=$1 drawing=$2 traverse=$3 expected=$4 times=() rss=()
    for run in 1 2 3 4 5 6; do
        rm -f "$out/list.txt"
        local start end
        start=$(date +%s.%N)
        /usr/bin/time -f %M -o "$out/rss" "$cadhost" run vallo_get_dependencies \
            "$drawing" "$out/list.txt" Yes "$traverse" > "$out/stdout"
        end=$(date +%s.%N)
        local lines
        lines=$(wc -l < "$out/list.txt")
        if [ "$lines" -ne "$expected" ]; then
            echo "$name: $lines lines, expected $expected" >&2
            exit 1
        fi
        if [ "$run" -gt 1 ]; then
            times+=("$(echo "$end - $start" | bc)")
            rss+=("$(cat "$out/rss")")
        fi
    done
    local sorted median
    sorted=$(printf '%s\n' "${times[@]}" | sort -g)
    median=$(echo "$sorted" | sed -n 3p)
    local rssMedian
    rssMedian=$(printf '%s\n' "${rss[@]}" | sort -n | sed -n 3p)
    printf '| %s | %s | %.3f [%.3f-%.3f] | %.1f |\n' "$name" "$lines" "$median" \
        "$(echo "$sorted" | head -1)" "$(echo "$sorted" | tail -1)" "$(echo "$rssMedian / 1024" | bc -l)"
}

echo "| input | lines out | wall s (median [min-max] of 5) | peak MiB |"
echo "|---|---|---|---|"
job "xtree, traverse" "$corpus/xtree/root.dxf" Yes 340
job "many_1000, no traverse" "$corpus/xmany/many_1000.dxf" No 1000
job "many_1000, traverse" "$corpus/xmany/many_1000.dxf" Yes 1000
