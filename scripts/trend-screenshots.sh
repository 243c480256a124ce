#!/usr/bin/env bash
# Screenshots of the trend window on a virtual display (Xvfb): a year of sixteen stations on a
# screen of 1024x768 and of 1280x800, the mouse on a line; then, at 1024x768, zoomed in with the
# wheel to a few hours and to minutes. Uses the store and the build of scripts/bench-trend.sh.
#
#   bash scripts/trend-screenshots.sh [DATA_DIRECTORY [OUTPUT_DIRECTORY]]
set -euo pipefail
cd "$(dirname "$0")/.."
data=${1:-/work/bench-data/trend}
out=${2:-$data/screenshots}
bench=$PWD/build-bench/bench/trend_bench
[ -x "$bench" ] && [ -f "$data/year16.mdb" ] || {
    echo "run scripts/bench-trend.sh first" >&2
    exit 1
}
mkdir -p "$out"

top=$PWD
# What it starts (`pids`) is stopped again on the way out (stop_started).
source scripts/program-runs.sh

# shoot SIZE NAME [WHEEL_STEPS]: the window on a display of SIZE, the mouse on the upper third.
shoot() {
    new_display "$1"
    local log
    log=$(mktemp)
    QT_QPA_PLATFORM=xcb "$bench" "$data/year16.mdb" 16 --show 600 > "$log" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 600); do grep -q shown "$log" && break; sleep 0.5; done
    grep -q shown "$log" || { echo "the window did not show" >&2; exit 1; }
    local width=${1%x*} height=${1#*x}
    xdotool mousemove $(( width / 2 )) $(( height * 2 / 7 ))
    for _ in $(seq "${3:-0}"); do
        xdotool click 4
        sleep 0.3
    done
    # The mouse moved a little, so that the text under it is that of the last view.
    sleep 2
    xdotool mousemove $(( width / 2 + 3 )) $(( height * 2 / 7 ))
    sleep 1
    import -window root "$out/$2.png"
    echo "$out/$2.png"
    stop_started
    pids=()
}

shoot 1024x768 year-16-1024x768
shoot 1280x800 year-16-1280x800
shoot 1024x768 hours-16-1024x768 22
shoot 1024x768 minutes-16-1024x768 44
