#!/usr/bin/env bash
# A plant store that loses nothing. Sixteen simulated meters on one bus log through
# `tuskocp --headless --multi` into the table on a PostgreSQL server of this run's own. After
# LEAD seconds the server stops answering (every process of it held with SIGSTOP) for OUTAGE
# seconds; halfway through the outage the program is killed with SIGKILL and started again. Then
# the server answers again and the program runs on for TAIL seconds. It prints, and passes when:
#   - every station has exactly one record in every whole minute of the run, on the server or still
#     waiting in the local spool (none lost), and none is stored twice;
# and it prints the longest gap between two requests on the line while the server did not answer.
#
#     bash scripts/server-outage-run.sh [OUTAGE [LEAD [TAIL]]]     # 180, 90 and 150 s by default
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
outage=${1:-180}
lead=${2:-90}
tail_s=${3:-150}
work=$(mktemp -d /tmp/tusko-outage-XXXXXX)
chmod 711 "$work"  # the server's user passes through to its own directory
# shellcheck source=program-runs.sh
source "$top/scripts/program-runs.sh"
# shellcheck source=postgres-runs.sh
source "$top/scripts/postgres-runs.sh"
trap 'stop_started; stop_pg_server' EXIT INT TERM

bash "$top/scripts/install-deps.sh" >/dev/null
build_program >/dev/null
cd "$work"
start_pg_server
mkdir bus && cd bus
printf '# COM1 is the meter simulator\nCOM1=%s\n' "$PWD/ttyMETER" > comports.conf
write_records_conf "泵站-outage"
"$top/build/tools/mkstore/tuskocp-mkstore" --server records.conf >/dev/null

monotonic_us() { python3 -c 'import time; print(int(time.monotonic() * 1e6))'; }

start_simulator --stations 1-16
start_headless --multi
echo "logging into $work for ${lead} s before the outage"
sleep "$lead"

read -r -a server_pids <<< "$(pg_server_pids)"
outage_start=$(monotonic_us)
# A backend may end between the listing and the signal; the others are held all the same.
kill -STOP "${server_pids[@]}" 2>/dev/null || true
echo "server silent (SIGSTOP) for ${outage} s"
sleep $(( outage / 2 ))
kill_at=$(monotonic_us)
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null || true
echo "program killed with SIGKILL; started again"
start_headless --multi
restart_at=$(monotonic_us)
sleep $(( outage - outage / 2 ))
kill -CONT "${server_pids[@]}" 2>/dev/null || true
outage_end=$(monotonic_us)
echo "server answers again; running on for ${tail_s} s"
sleep "$tail_s"
stop_program

echo "--- program's standard error"
cat program.out
pg_query -A -t -F ' ' -c 'SELECT "仪表编号", "日期" FROM "数据监测" ORDER BY "序号"' > records.txt
python3 - "$outage_start" "$kill_at" "$restart_at" "$outage_end" <<'PY'
import collections, sqlite3, sys
outage_start, kill_at, restart_at, outage_end = map(int, sys.argv[1:])
stamps = collections.Counter()
minutes = collections.defaultdict(set)
for line in open("records.txt", encoding="utf-8"):
    station, date = line.split()
    stamps[(station, date)] += 1
    minutes[date].add(station)
twice = [k for k, n in stamps.items() if n > 1]
# Records the server has not taken yet wait in the local spool; they are sent at the next start.
spool = sqlite3.connect("records-spool.db")
tables = [r[0] for r in spool.execute(
    "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")]
waiting = [(str(r[0]), r[1]) for t in tables
           for r in spool.execute(f'SELECT "仪表编号", "日期" FROM "{t}"')]
on_both = [k for k in waiting if k in stamps]
for station, date in waiting:
    minutes[date].add(station)
def key(d):
    day, hm = d.split("/")
    h, m = hm.split(":")
    return (day, int(h), int(m))
ordered = sorted(minutes, key=key)
whole = ordered[1:-1]  # the first and the last minute of the run are partial
short = [(d, 16 - len(minutes[d])) for d in whole if len(minutes[d]) != 16]
gaps = []
prev = key(ordered[0])
for d in ordered[1:]:
    k = key(d)
    if k[0] == prev[0] and k[1] * 60 + k[2] - (prev[1] * 60 + prev[2]) > 1:
        gaps.append((prev, k))
    prev = k
times = [int(l.split()[0]) for l in open("meter-sim.log") if l.split()[1:3] == ["rx", "2A"]]
def longest(a, b):
    inside = [t for t in times if a <= t <= b]
    return max((y - x for x, y in zip(inside, inside[1:])), default=0) / 1000
print(f"records: {sum(stamps.values())} in {len(ordered)} minutes ({ordered[0]} .. {ordered[-1]})")
print(f"whole minutes: {len(whole)}; with a station missing: {len(short)} {short[:5]}")
print(f"minutes without any record inside the run: {gaps}")
print(f"(station, minute) stored twice: {len(twice)} {twice[:5]}")
print(f"records waiting in the local spool at the end: {len(waiting)}, of them on the server too: "
      f"{len(on_both)}")
print(f"longest gap between two requests while the server did not answer: "
      f"{longest(outage_start, kill_at):.0f} ms before the kill, "
      f"{longest(restart_at + 5_000_000, outage_end):.0f} ms after the restart "
      f"(the poll timer ticks every 100 ms at 14400 baud)")
ok = not twice and not short and not gaps and not on_both
print("PASS" if ok else "FAIL")
sys.exit(0 if ok else 1)
PY
