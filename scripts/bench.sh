#!/usr/bin/env bash
# Builds and runs the records benchmarks: on a file of 1,000,000 records (or the number given) the
# data-query fill, a day's count, the walk into CSV, the clear and one append, each beside the same
# work done by sqlite3, and the size of one station's year; then the records store on a
# PostgreSQL server of the benchmark's own beside plain libpq inserts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON \
    -DTUSKO_BUILD_TESTS=OFF
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
./build-bench/bench/records_bench "$@" || status=1
./build-bench/bench/server_store_bench || status=1
exit $status
