#!/usr/bin/env bash
# Builds and runs the pause benchmark: the pause between bytes sent to a meter, idle and beside two
# spinning processes. Arguments go to the benchmark: SAMPLES per series, SECONDS at most per series.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON -DTUSKO_BUILD_TESTS=OFF \
    >/dev/null
cmake --build build-bench -j"$(nproc)" --target pause_bench
./build-bench/bench/pause_bench "$@"
