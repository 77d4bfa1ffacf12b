#!/bin/bash
# The performance record in one command: builds what the benchmarks need (RelWithDebInfo), makes
# the benchmark corpus if it is missing, runs our jobs side by side with the ezdxf baselines and
# writes bench/RESULTS.md. Takes about 7 minutes, most of it in the ezdxf jobs.
#
# usage: bench/run_all.sh [run_all.py options, e.g. --runs 3 --sizes 1,10 --out FILE]
# environment: BUILD_DIR (default build-perf), CORPUS_DIR (default benchcorpus),
#              BASELINE_DIR (the ezdxf scripts and the corpus generator, default /work/shared/bench)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-perf}
corpus=${CORPUS_DIR:-$root/benchcorpus}
baselines=${BASELINE_DIR:-/work/shared/bench}
python=/usr/bin/python3   # Debian's, with ezdxf

for script in baseline_ezdxf.py baseline_ezdxf_deps.py dump_attribs.py gen_corpus.py; do
    [ -f "$baselines/$script" ] || { echo "run_all.sh: no $script in $baselines" >&2; exit 2; }
done
"$python" -c 'import ezdxf' 2>/dev/null || { echo "run_all.sh: $python has no ezdxf" >&2; exit 2; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" -j2 --target cadhost brakon read_save_bench update_phases_bench

if [ ! -f "$corpus/sheets/sheetset_100mb.dxf" ] || [ ! -f "$corpus/xtree/root.dxf" ] \
    || [ ! -f "$corpus/xmany/many_1000.dxf" ]; then
    echo "run_all.sh: generating the benchmark corpus in $corpus (~35 s, 0.5 GB)" >&2
    "$python" "$baselines/gen_corpus.py" "$corpus"
fi

exec "$python" "$root/bench/run_all.py" --bin "$build/bin" --corpus "$corpus" \
    --baselines "$baselines" --out "$root/bench/RESULTS.md" --readme "$root/README.md" "$@"
