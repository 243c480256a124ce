#!/usr/bin/env bash
# The records export on a store of 1,000,000 records (or RECORDS), beside `sqlite3 -csv` reading
# the same table: `tuskocp --export` to CSV and to an Excel workbook, each with its wall time and
# peak memory (medians of RUNS runs after one warm-up run), and the ratios to sqlite3; then the
# export's own work on records from memory (export_bench).
#
#   bash scripts/bench-export.sh [RECORDS [RUNS [BUILD_DIRECTORY]]]   # 1000000, 3, build-bench
#   bash scripts/bench-export.sh STORE_FILE [RUNS [BUILD_DIRECTORY]]
#
# Given an existing records file instead of RECORDS, the exports read that file (through a link
# named kvt97.mdb; the file is only read); the workbook is left out when the store holds more
# records than a worksheet takes (1,048,575), and so is export_bench.
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

given=""
[ ! -f "$records" ] || given=$(realpath "$records")
work=$(mktemp -d "${TMPDIR:-/tmp}/export-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

if [ -n "$given" ]; then
    ln -s "$given" kvt97.mdb
    records=$(sqlite3 kvt97.mdb 'SELECT count(*) FROM "数据监测"')
else
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
fi
echo "store: ${given:+$given, }$records records, $(stat -L -c %s kvt97.mdb) bytes;" \
    "load: $(cut -d' ' -f1-3 /proc/loadavg)"
readonly worksheet_rows=1048575  # a worksheet's rows below its heading
workbook=yes
[ "$records" -le "$worksheet_rows" ] || workbook=""

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs "$@" RUNS times after a warm-up; prints the median wall seconds, the median processor
# seconds (user and system: less swayed by other work on the machine) and the median peak KiB.
measure() {
    "$@" >/dev/null 2>&1
    local i
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %U %S %M' -o time.txt "$@" >/dev/null 2>&1
        awk '{ print $1, $2 + $3, $4 }' time.txt
    done >times.txt
    echo "$(cut -d' ' -f1 times.txt | median) $(cut -d' ' -f2 times.txt | median)" \
        "$(cut -d' ' -f3 times.txt | median)"
}

read -r sqlite_s sqlite_cpu sqlite_kib < <(measure sh -c 'sqlite3 -csv kvt97.mdb "SELECT * FROM \"数据监测\"" >sqlite.csv')
read -r csv_s csv_cpu csv_kib < <(measure "$program" --export out.csv)
[ -z "$workbook" ] || read -r xlsx_s xlsx_cpu xlsx_kib < <(measure "$program" --export out.xlsx)

row() {  # name wall cpu peak file
    printf '%-26s %8s %7.2fx %8s %7.2fx %10s %12s\n' "$1" "$2" "$(echo "$2 / $sqlite_s" | bc -l)" \
        "$3" "$(echo "$3 / $sqlite_cpu" | bc -l)" "$4" "$(stat -c %s "$5")"
}
printf '\n%-26s %8s %8s %8s %8s %10s %12s\n' "export of $records" wall ratio cpu ratio \
    "peak KiB" "file bytes"
row "sqlite3 -csv" "$sqlite_s" "$sqlite_cpu" "$sqlite_kib" sqlite.csv
row "tuskocp --export FILE.csv" "$csv_s" "$csv_cpu" "$csv_kib" out.csv
[ -z "$workbook" ] || row "tuskocp --export FILE.xlsx" "$xlsx_s" "$xlsx_cpu" "$xlsx_kib" out.xlsx
echo "(seconds, medians of $runs runs; CSV target: at most 1.2x sqlite3 -csv with flat memory)"
if [ -z "$workbook" ]; then
    echo "no workbook: a worksheet takes $worksheet_rows records, the store holds $records"
    exit 0
fi
[ -z "$given" ] || exit 0
echo
"$build/bench/export_bench" "$records" "$work"
