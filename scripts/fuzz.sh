#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds (60 by
# default). Findings are written to build-fuzz/fuzz/findings-<target>/ as crash-* files.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh
dpkg-query -W clang libclang-rt-14-dev >/dev/null 2>&1 ||
    apt-get install -y --no-install-recommends clang libclang-rt-14-dev
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUSKO_BUILD_FUZZERS=ON
for target in reply_fuzzer number_text_fuzzer meter_line_fuzzer parameter_exchange_fuzzer \
    field_check_fuzzer line_settings_fuzzer port_map_fuzzer modbus_request_fuzzer deflate_fuzzer; do
    dir=build-fuzz/fuzz/findings-$target
    mkdir -p "$dir/corpus"
    (cd "$dir" && "../$target" -max_total_time="$seconds" -print_final_stats=1 corpus 2>&1 |
        grep -E '^(Done|stat::number_of_executed_units)|ERROR|SUMMARY' || true)
done
