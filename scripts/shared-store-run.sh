#!/usr/bin/env bash
# Two programs on two simulated buses, without windows (--headless --multi), log into one table
# on a PostgreSQL server, each with the site name its "records.conf" gives; after SECONDS
# (default 180) the table is printed.
#
#     bash scripts/shared-store-run.sh [SECONDS]
#
# Everything lives in a fresh directory under /tmp: the server (a cluster of its own, listening
# only on a Unix socket in its directory, run as the user postgres when this runs as root), and
# the buses' working directories bus-east/ and bus-west/, each with a meter simulator behind
# ./ttyMETER, "comports.conf", "records.conf" and its password file. Everything started here is
# stopped again at the end.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-180}
work=$(mktemp -d /tmp/tusko-shared-XXXXXX)
chmod 711 "$work"  # the server's user passes through to its own directory
cd "$work"
# shellcheck source=program-runs.sh
source "$top/scripts/program-runs.sh"

# shellcheck source=postgres-runs.sh
source "$top/scripts/postgres-runs.sh"
trap 'stop_started; stop_pg_server' EXIT INT TERM

build_program >/dev/null
start_pg_server

for site in east west; do
    mkdir "bus-$site"
    (
        cd "bus-$site"
        printf '# COM1 is the meter simulator\nCOM1=%s\n' "$PWD/ttyMETER" > comports.conf
        write_records_conf "泵站-$site"
    )
done
(cd bus-east && "$top/build/tools/mkstore/tuskocp-mkstore" --server records.conf)

for site in east west; do
    cd "$work/bus-$site"
    start_simulator
    "$top/build/src/shell/tuskocp" --headless --multi > program.out 2>&1 &
    pids+=($!)
done
cd "$work"
echo "two programs logging for $seconds s into $work"
sleep "$seconds"

query() { pg_query -c "$1"; }
query 'SELECT "序号", "站点", "仪表编号", "日期", "瞬时流量", "正向累计", "报警状态"
       FROM "数据监测" ORDER BY "序号"'
query 'SELECT "站点", count(*) AS records, min("日期") AS first, max("日期") AS last
       FROM "数据监测" GROUP BY "站点" ORDER BY "站点"'
for site in east west; do
    if [ -s "bus-$site/program.out" ]; then
        echo "bus-$site/program.out:"
        cat "bus-$site/program.out"
    fi
done
