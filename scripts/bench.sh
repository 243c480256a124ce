#!/usr/bin/env bash
# Builds and runs the records benchmark: a store of 1,000,000 records (or the number given), the
# data-query fill, the clear and one append, each beside the same work done by sqlite3 directly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON \
    -DTUSKO_BUILD_TESTS=OFF
./build-bench/bench/records_bench "$@"
