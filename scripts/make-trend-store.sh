#!/usr/bin/env bash
# Makes a records store (SQLite, table "数据监测") as a bus logs it: every station one record a
# minute, "日期" written "yyyy-MM-dd/H:mm", the flow and the totals as text with sign and unit.
#
#   bash scripts/make-trend-store.sh FILE [STATIONS [DAYS [MKSTORE]]]   # 16 stations, 365 days
#
# The records carry what a trend has to show: a daily swing of the flow, a spike of one record per
# station every thirty days, the bus silent for three hours every thirty days, and every station missing four
# minutes a day at an hour of its own. The store gets the station index the program keeps on every
# store. MKSTORE is the tuskocp-mkstore to make the empty store with (found in build-bench or build
# when not given). An existing FILE is never overwritten.
set -euo pipefail
file=${1:?usage: make-trend-store.sh FILE [STATIONS [DAYS [MKSTORE]]]}
stations=${2:-16}
days=${3:-365}
top=$(cd "$(dirname "$0")/.." && pwd)
mkstore=${4:-}
if [ -z "$mkstore" ]; then
    for candidate in "$top/build-bench/tools/mkstore/tuskocp-mkstore" \
                     "$top/build/tools/mkstore/tuskocp-mkstore"; do
        [ -x "$candidate" ] && { mkstore=$candidate; break; }
    done
fi
[ -n "$mkstore" ] || { echo "make-trend-store.sh: build tuskocp-mkstore first" >&2; exit 1; }
[ -e "$file" ] && { echo "make-trend-store.sh: $file exists, not overwritten" >&2; exit 1; }

"$mkstore" "$file" >/dev/null
minutes=$(( days * 1440 ))
start=1767225600  # 2026-01-01 00:00
sqlite3 "$file" >/dev/null <<SQL
PRAGMA journal_mode = OFF;
PRAGMA synchronous = OFF;
BEGIN;
INSERT INTO "数据监测" ("仪表编号", "日期", "管径", "瞬时流量", "百分比", "量程比", "流速",
                       "正向累计", "反向累计", "报警状态")
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < $minutes * $stations - 1),
r(m, s) AS (SELECT i / $stations, i % $stations + 1 FROM n)
SELECT s,
       strftime('%Y-%m-%d/', $start + m * 60, 'unixepoch')
           || CAST(strftime('%H', $start + m * 60, 'unixepoch') AS INTEGER)
           || strftime(':%M', $start + m * 60, 'unixepoch'),
       '100',
       printf('%+.2fm3/h', (150 * s + 100 * sin(6.283185307 * m / 1440 + s) + (m * 7919 % 101) / 10.0)
                           * (CASE WHEN (m + 2777 * s) % 43200 = 0 THEN 3 ELSE 1 END)),
       '+45.6%', '1:2', '+1.25',
       printf('%.2fm3', s * 100000 + m * 2.5 * s),
       '.5m3', '通讯正常'
FROM r
WHERE m % 43200 NOT BETWEEN 20000 AND 20179
  AND m % 1440 NOT BETWEEN 60 * s AND 60 * s + 3;
COMMIT;
CREATE INDEX IF NOT EXISTS "数据监测_仪表编号" ON "数据监测" ("仪表编号");
SQL
echo "made $file: $(sqlite3 "$file" 'SELECT count(*) FROM "数据监测"') records," \
     "$(du -m "$file" | cut -f1) MB"
