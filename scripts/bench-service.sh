#!/usr/bin/env bash
# tuskocpd beside tuskocp --headless, both polling sixteen simulated meters in multi-station mode
# without a display:
#   - start-up: process start (taken just before the program is executed) to its first request
#     byte in the meter simulator's byte log, both on the monotonic clock;
#   - resident memory (VmRSS) and its peak (VmHWM) after SETTLE seconds of polling;
#   - the Qt libraries each program loads (ldd).
# Medians of STARTS starts of each, after one warm-up of each.
#
#   bash scripts/bench-service.sh [STARTS [SETTLE [BUILD_DIRECTORY]]]   # 5, 5 and build-bench
#
# Builds the programs (Release in build-bench; a directory given keeps its build type) and works
# in BUILD_DIRECTORY/service-run.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
starts=${1:-5}
settle=${2:-5}
build=${3:-$top/build-bench}
build=$(cd "$top" && mkdir -p "$build" && cd "$build" && pwd)

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_TESTS=OFF >/dev/null
fi
cmake -S . -B "$build" -DTUSKO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target tuskocp tuskocpd tuskocp-meter-sim mono_exec >/dev/null
mono_exec=$build/bench/mono_exec
tuskocp=$build/src/shell/tuskocp
tuskocpd=$build/src/service/tuskocpd

# shellcheck source=scripts/program-runs.sh
source scripts/program-runs.sh  # stops what is started here on exit

rm -rf "$build/service-run" && mkdir -p "$build/service-run" && cd "$build/service-run"
# shellcheck disable=SC2034  # start_simulator runs it
meter_sim=$build/tools/meter_sim/tuskocp-meter-sim
start_simulator --stations 1-16
printf 'COM1=%s\n' "$PWD/ttyMETER" > comports.conf
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

now_us() { "$mono_exec" /dev/stdout true; }
median() {
    sort -n | awk '{ v[NR] = $1 }
                   END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
kib() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }

# measure NAME PROGRAM ARGUMENTS...: appends one start-up (ms), VmRSS and VmHWM (KiB) per start.
measure() {
    local name=$1
    shift
    : > "$name.startup" && : > "$name.rss" && : > "$name.hwm"
    for run in $(seq 0 "$starts"); do
        local mark started first pid
        mark=$(now_us)
        "$mono_exec" started.us "$@" 2> "$name.err" &
        pid=$!
        pids+=("$pid")
        first=$(first_request_after "$mark")
        sleep "$settle"
        started=$(< started.us)
        if [ "$run" -gt 0 ]; then
            awk -v a="$started" -v b="$first" 'BEGIN { print (b - a) / 1000 }' >> "$name.startup"
            kib "$pid" VmRSS >> "$name.rss"
            kib "$pid" VmHWM >> "$name.hwm"
        fi
        kill "$pid"
        wait "$pid" || { echo "$name ended with status $? on SIGTERM" >&2; exit 1; }
        unset 'pids[-1]'
    done
}

echo "load (1, 5, 15 min) before: $(loadavg)"
measure tuskocpd "$tuskocpd" --multi
measure headless "$tuskocp" --headless --multi
echo "load after: $(loadavg)"

qt_libraries() { ldd "$1" | grep -o 'libQt6[A-Za-z]*' | sort -u | tr '\n' ' '; }
row() { printf "%-22s %-18s %-18s %-18s %s\n" "$@"; }
echo
row "program" "start-up (ms)" "VmRSS (MiB)" "VmHWM (MiB)" "Qt libraries (ldd)"
for name in tuskocpd headless; do
    program=$tuskocpd
    label="tuskocpd"
    if [ "$name" = headless ]; then program=$tuskocp; label="tuskocp --headless"; fi
    row "$label" "$(median < "$name.startup")" \
        "$(median < "$name.rss" | awk '{ printf "%.1f", $1 / 1024 }')" \
        "$(median < "$name.hwm" | awk '{ printf "%.1f", $1 / 1024 }')" "$(qt_libraries "$program")"
done
echo
echo "medians of $starts starts each after a warm-up, memory after $settle s of polling;" \
     "start-up includes the first timer interval (200 ms)"
