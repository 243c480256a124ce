#!/usr/bin/env bash
# Fault runs of the whole program against the meter simulator, each with a pass/fail result:
#   noise    a minute of line noise before every reply, then clean replies: good values again
#   unplug   the line's device goes away for 20 s and comes back: polling resumes by itself
#   stale    every reply comes late, during the next request, and names another command: in
#            150 s not one record
#   sixteen  sixteen meters for five minutes, the program restarted three times: every full
#            minute has sixteen complete records, no station twice in a minute
# The program's records store tells what it showed: a record is only written from a valid reply.
#
#   bash scripts/fault-runs.sh [noise|unplug|stale|sixteen ...]      # all by default
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(noise unplug stale sixteen)

bash scripts/install-deps.sh >/dev/null
source scripts/program-runs.sh
build_program >/dev/null

records() { sqlite3 kvt97.mdb 'SELECT count(*) FROM "数据监测"'; }
# The newest record holds a signed flow with its unit and the normal status.
newest_is_good() {
    sqlite3 kvt97.mdb 'SELECT "瞬时流量", "报警状态" FROM "数据监测" ORDER BY rowid DESC LIMIT 1' |
        grep -Eq '^[+-][0-9.]+[a-zA-Z0-9/]+\|通讯正常'
}
# Waits up to $1 seconds for the record count to pass $2.
wait_for_records_above() {
    for _ in $(seq "$1"); do
        [ "$(records)" -gt "$2" ] && return 0
        sleep 1
    done
    return 1
}
# Waits up to $1 seconds for a good newest record. The first record after a fault may show only
# what had been decoded by then; the next minute's shows everything.
wait_for_good_record() {
    for _ in $(seq "$1"); do
        newest_is_good && return 0
        sleep 1
    done
    return 1
}
# Records with an empty field, and (station, minute) pairs logged more than once.
partial_records() {
    sqlite3 kvt97.mdb <<'SQL'
SELECT count(*) FROM "数据监测" WHERE '' IN (coalesce("管径", ''), coalesce("瞬时流量", ''),
    coalesce("百分比", ''), coalesce("量程比", ''), coalesce("流速", ''), coalesce("正向累计", ''),
    coalesce("反向累计", ''), coalesce("报警状态", ''));
SQL
}
twice_in_a_minute() {
    sqlite3 kvt97.mdb 'SELECT count(*) FROM (SELECT 1 FROM "数据监测"
        GROUP BY "仪表编号", "日期" HAVING count(*) > 1)'
}
# "日期" and the number of distinct stations logged in it, one minute a line, oldest first.
stations_by_minute() {
    sqlite3 kvt97.mdb 'SELECT "日期", count(DISTINCT "仪表编号") FROM "数据监测"
        GROUP BY "日期" ORDER BY min(rowid)'
}
stop_simulator() {
    kill "$simulator_pid" && wait "$simulator_pid" 2>/dev/null || true
}
simulator() {
    start_simulator "$@"
    simulator_pid=${pids[-1]}
}

failed=0
verdict() {
    if [ "$1" -eq 0 ]; then echo "PASS $2"; else echo "FAIL $2"; failed=1; fi
}

for run in "${runs[@]}"; do
    rm -rf "fault-runs/$run" && mkdir -p "fault-runs/$run"
    (
        trap stop_started EXIT
        cd "fault-runs/$run"
        prepare_directory
        ensure_display
        case "$run" in
            noise)
                simulator --stations 1 --fault-noise 1
                start_program
                sleep 60
                during=$(records)
                stop_simulator
                simulator --stations 1
                wait_for_good_record 150
                status=$?
                echo "records during the noise: $during; after: $(records)"
                exit $(( status != 0 || during != 0 ))
                ;;
            unplug)
                simulator --stations 1
                start_program
                wait_for_records_above 70 0 || exit 1
                stop_simulator
                sleep 20
                before=$(records)
                simulator --stations 1
                wait_for_records_above 130 "$before" && wait_for_good_record 90
                ;;
            stale)
                simulator --stations 1 --fault-late 1 --fault-wrong-command 1
                start_headless --station 1
                sleep 150
                replies=$(grep -c ' tx ' meter-sim.log || true)
                echo "replies sent by the simulator: $replies; records: $(records)"
                [ "$replies" -gt 100 ] && [ "$(records)" -eq 0 ]
                ;;
            sixteen)
                simulator --stations 1-16
                start_headless --multi
                # Restarted three times: a minute and a quarter in, again 20 s later within the
                # same minute or just after it, and once more after three and a half minutes.
                sleep 75; stop_program; start_headless --multi
                sleep 20; stop_program; start_headless --multi
                sleep 115; stop_program; start_headless --multi
                sleep 90
                stop_program
                stations_by_minute | tee minutes.txt
                full=$(sed '1d;$d' minutes.txt)  # the first and the last minute are cut short
                short=$(printf '%s\n' "$full" | awk -F'|' '$2 != 16' | grep -c . || true)
                echo "full minutes: $(printf '%s\n' "$full" | grep -c .)," \
                    "of them with fewer than 16 stations: $short;" \
                    "records: $(records), partial: $(partial_records)," \
                    "station twice in a minute: $(twice_in_a_minute)"
                [ "$short" -eq 0 ] && [ "$(partial_records)" -eq 0 ] &&
                    [ "$(twice_in_a_minute)" -eq 0 ] && [ "$(printf '%s\n' "$full" | grep -c .)" -ge 3 ]
                ;;
            *) echo "unknown run: $run" >&2; exit 2 ;;
        esac
    ) && verdict 0 "$run" || verdict 1 "$run"
done
exit "$failed"
