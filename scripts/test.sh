#!/usr/bin/env bash
# Builds the project and runs every test (unit, end-to-end, interoperability).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
jobs=$(nproc 2>/dev/null || echo 2)
ctest --test-dir build --output-on-failure -j "$jobs"
