#!/usr/bin/env bash
# The program polling sixteen simulated meters in multi-station mode for a long run, 5 % of the
# replies damaged, sampled every ten seconds. Passes when, after the first minute, resident memory
# grew by less than 1 MiB, the open files and the threads stayed the same, and the records store
# holds one record for each minute.
#
#   bash scripts/soak.sh [MINUTES]      # 60 by default; the samples land in soak/samples.csv
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
minutes=${1:-60}

bash scripts/install-deps.sh >/dev/null
source scripts/program-runs.sh
build_program >/dev/null

rm -rf soak && mkdir soak && cd soak
prepare_directory
# Seven kinds of damage at 0.7 % each: about 5 % of the replies.
faults=()
for kind in no-reply bad-check wrong-station bad-end late split noise; do
    faults+=("--fault-$kind" 0.007)
done
start_simulator --stations 1-16 --seed 5 "${faults[@]}"
ensure_display
start_program
started=$SECONDS  # the samples count from here, not from the build
sleep 2
choose_multi_station

echo "seconds,rss_kib,threads,open_files" > samples.csv
end=$(( SECONDS + minutes * 60 ))
while [ "$SECONDS" -lt "$end" ]; do
    kill -0 "$program_pid" 2>/dev/null || { echo "FAIL: the program ended" >&2; exit 1; }
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$program_pid/status")
    threads=$(awk '/^Threads:/ {print $2}' "/proc/$program_pid/status")
    files=$(ls "/proc/$program_pid/fd" | wc -l)
    echo "$(( SECONDS - started )),$rss,$threads,$files" >> samples.csv
    sleep 10
done

# Records: one per minute. The program logs at its first reply and at every change of minute, and
# it runs a little longer than MINUTES, so it may touch MINUTES + 2 clock minutes.
per_minute=$(sqlite3 kvt97.mdb 'SELECT count(*) FROM "数据监测" GROUP BY "日期"' | sort -u | tr '\n' ' ')
records=$(sqlite3 kvt97.mdb 'SELECT count(*) FROM "数据监测"')

awk -F, -v minutes="$minutes" -v records="$records" -v per_minute="$per_minute" '
    NR == 1 { next }
    $1 >= 60 && !base { base = 1; rss0 = $2; threads0 = $3; files0 = $4 }
    base { if ($2 - rss0 > growth) growth = $2 - rss0
           if ($3 != threads0) threads_changed = 1
           if ($4 != files0) files_changed = 1 }
    END {
        printf "resident memory growth after the first minute: %d KiB\n", growth
        printf "threads %s, open files %s\n", threads_changed ? "changed" : "constant",
               files_changed ? "changed" : "constant"
        printf "records: %d in %d minutes; records per minute: %s\n", records, minutes, per_minute
        ok = growth < 1024 && !threads_changed && !files_changed && per_minute == "1 " &&
             records >= minutes - 1 && records <= minutes + 2
        print ok ? "PASS" : "FAIL"
        exit ok ? 0 : 1
    }' samples.csv
