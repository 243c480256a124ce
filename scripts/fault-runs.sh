#!/usr/bin/env bash
# Fault runs of the whole program against the meter simulator, each with a pass/fail result:
#   noise    a minute of line noise before every reply, then clean replies: good values again
#   unplug   the line's device goes away for 20 s and comes back: polling resumes by itself
# The program's records store tells what it showed: a record is only written from a valid reply.
#
#   bash scripts/fault-runs.sh [noise|unplug ...]      # both by default
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
runs=("$@")
[ ${#runs[@]} -gt 0 ] || runs=(noise unplug)

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
            *) echo "unknown run: $run" >&2; exit 2 ;;
        esac
    ) && verdict 0 "$run" || verdict 1 "$run"
done
exit "$failed"
