#!/usr/bin/env bash
# The records export on a store of 1,000,000 records (or RECORDS), beside `sqlite3 -csv` reading
# the same table: `tuskocp --export` to CSV and to an Excel workbook, each with its wall time and
# peak memory (medians of RUNS runs after one warm-up run), and the ratios to sqlite3; then the
# export's own work on records from memory (export_bench).
#
#   bash scripts/bench-export.sh [RECORDS [RUNS [BUILD_DIRECTORY]]]   # 1000000, 3, build-bench
#
# A build directory that does not exist yet is configured as a Release build with benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
records=${1:-1000000}
runs=${2:-3}
build=${3:-$top/build-bench}

if [ ! -d "$build" ]; then
    bash scripts/install-deps.sh >/dev/null
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON \
        -DTUSKO_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target tuskocp tuskocp-mkstore export_bench >/dev/null
program=$build/src/shell/tuskocp

work=$(mktemp -d "${TMPDIR:-/tmp}/export-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Records that differ in station, minute, flow and totals, appended in time order.
"$build/tools/mkstore/tuskocp-mkstore" >/dev/null
sqlite3 kvt97.mdb <<SQL
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $records)
INSERT INTO "数据监测"
SELECT i % 16 + 1,
       date('2026-01-01', '+' || (i / 23040) || ' days') || '/' || (i / 960 % 24) || ':' ||
           printf('%02d', i / 16 % 60),
       '100',
       CASE WHEN i % 3 THEN '+' ELSE '-' END || (i % 5000) || '.56m3/h',
       '+45.6%', '1:4', '+1.25',
       CASE WHEN i % 7 THEN i || '.78m3' ELSE '1.5E+07m3' END,
       '.5m3',
       CASE WHEN i % 5 THEN '通讯正常' ELSE '通讯正常 上限报警,' END
FROM n;
SQL
echo "store: $records records, $(stat -c %s kvt97.mdb) bytes; load: $(cut -d' ' -f1-3 /proc/loadavg)"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs "$@" RUNS times after a warm-up; prints the median seconds and the median peak KiB.
measure() {
    "$@" >/dev/null 2>&1
    local i
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %M' -o time.txt "$@" >/dev/null 2>&1
        cat time.txt
    done >times.txt
    echo "$(cut -d' ' -f1 times.txt | median) $(cut -d' ' -f2 times.txt | median)"
}

read -r sqlite_s sqlite_kib < <(measure sh -c 'sqlite3 -csv kvt97.mdb "SELECT * FROM \"数据监测\"" >sqlite.csv')
read -r csv_s csv_kib < <(measure "$program" --export out.csv)
read -r xlsx_s xlsx_kib < <(measure "$program" --export out.xlsx)

printf '\n%-26s %10s %12s %14s %10s\n' "export of $records" seconds "peak KiB" "file bytes" ratio
printf '%-26s %10s %12s %14s %10s\n' "sqlite3 -csv" "$sqlite_s" "$sqlite_kib" \
    "$(stat -c %s sqlite.csv)" "1.00x"
printf '%-26s %10s %12s %14s %9.2fx\n' "tuskocp --export FILE.csv" "$csv_s" "$csv_kib" \
    "$(stat -c %s out.csv)" "$(echo "$csv_s / $sqlite_s" | bc -l)"
printf '%-26s %10s %12s %14s %9.2fx\n' "tuskocp --export FILE.xlsx" "$xlsx_s" "$xlsx_kib" \
    "$(stat -c %s out.xlsx)" "$(echo "$xlsx_s / $sqlite_s" | bc -l)"
echo "(medians of $runs runs; CSV target: at most 1.2x sqlite3 -csv with flat memory)"
echo
"$build/bench/export_bench" "$records" "$work"
