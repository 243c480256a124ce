#!/usr/bin/env bash
# The trend window's benchmark, in one run: builds the release build into build-bench, makes the
# stores it needs once (a year of one station, a year of sixteen; SQLite, "日期" as the program
# writes it) and measures the trend window on them (bench/trend_bench.cpp), each figure beside its
# target, with the machine's load and how much of the store was in the page cache before each part.
#
#   bash scripts/bench-trend.sh [DATA_DIRECTORY [FIGURES]]   # /work/bench-data/trend by default
#
# FIGURES names a file that keeps the raw figures, one "run figure value" a line.
# Needs root for the packages. The stores (about 50 MB and 820 MB) stay in DATA_DIRECTORY for the
# next run; delete them to make them anew.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
data=${1:-/work/bench-data/trend}
build=$top/build-bench

bash scripts/install-deps.sh >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON -DTUSKO_BUILD_TESTS=OFF \
    >/dev/null
cmake --build "$build" -j2 --target trend_bench tuskocp-mkstore >/dev/null

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
mkdir -p "$data"
for stations in 1 16; do
    store=$data/year$stations.mdb
    if [ ! -f "$store" ]; then
        echo "making $store (load $(loadavg)) ..."
        bash scripts/make-trend-store.sh "$store" "$stations" 365 \
            "$build/tools/mkstore/tuskocp-mkstore"
    fi
done

kept=$(mktemp -d)
trap 'rm -rf "$kept"' EXIT
if [ -n "${2:-}" ]; then
    results=$2
    : > "$results"
else
    results=$kept/figures
fi
# run NAME STORE STATIONS [--open]: the figures of one run, each line "NAME figure value". The
# trend keeps its summary in the cache directory named after the store's run (one-of-16 for
# one-of-16-kept): the first run of a store finds none there, the run "-kept" finds the first one's.
# cached STORE: the share of the store's file in the page cache, in per cent.
cached() { fincore --bytes --noheadings --raw -o RES,SIZE "$1" | awk '{ printf "%.0f", $1 / $2 * 100 }'; }
run() {
    echo "$1: trend_bench $(basename "$2") $3 ${4:-} (load $(loadavg), $(cached "$2") % cached) ..."
    echo "$1 load $(loadavg)" >> "$results"
    echo "$1 cached_pct $(cached "$2")" >> "$results"
    XDG_CACHE_HOME="$kept/${1%-kept}" "$build/bench/trend_bench" "$2" "$3" ${4:-} 2>/dev/null |
        sed "s/^/$1 /" >> "$results"
}
for r in "one $data/year1.mdb 1" "one-of-16 $data/year16.mdb 1" "sixteen $data/year16.mdb 16"; do
    set -- $r
    run "$1" "$2" "$3"
    run "$1-kept" "$2" "$3" --open
done

awk -v cores="$(nproc)" -v kept16="$(du -sm "$kept/sixteen" | cut -f1)" -v size1="$(du -m "$data/year1.mdb" | cut -f1)" \
    -v records1="$(sqlite3 "$data/year1.mdb" 'SELECT count(*) FROM "数据监测"')" \
    -v size16="$(du -m "$data/year16.mdb" | cut -f1)" \
    -v records16="$(sqlite3 "$data/year16.mdb" 'SELECT count(*) FROM "数据监测"')" '
    $2 == "load" { load[$1] = $3 " " $4 " " $5; next }
    { v[$1, $2] = $3 }
    function verdict(ok) { missed += !ok; return ok ? "met" : "MISSED" }
    function row(figure, measured, target, ok) {
        printf "%-46s %-22s %-10s %s\n", figure, measured, target, target == "" ? "" : verdict(ok)
    }
    function ms(run, figure) { return sprintf("%.1f ms", v[run, figure]) }
    END {
        printf "\n"
        printf "%-46s %-22s %-10s %s\n", "figure", "measured", "target", ""
        split("one one-of-16 sixteen", runs, " ")
        names["one"] = "one station (its own store)"
        names["one-of-16"] = "one station of sixteen"
        names["sixteen"] = "sixteen stations"
        for (i = 1; i <= 3; i++) {
            r = runs[i]
            limit = r == "sixteen" ? 2000 : 500
            printf "\n%s, a year (load before: %s; %d %% of the store in the page cache)\n",
                   names[r], load[r], v[r, "cached_pct"]
            row("  open: construction to the complete drawing", ms(r, "open_ms"),
                "<= " limit " ms", v[r, "open_ms"] <= limit)
            row("  open again, summary kept (" v[r "-kept", "cached_pct"] " % cached)",
                ms(r "-kept", "open_ms"), "<= " limit " ms", v[r "-kept", "open_ms"] <= limit)
            row("  zoom, " v[r, "zoom_steps"] + 0 " wheel steps: median", ms(r, "zoom_median_ms"),
                "<= 50 ms", v[r, "zoom_median_ms"] <= 50)
            row("  zoom: slowest (at a view of " sprintf("%.1f", v[r, "zoom_max_at_view_days"]) " days)",
                ms(r, "zoom_max_ms"), "<= 50 ms", v[r, "zoom_max_ms"] <= 50)
            row("  move, " v[r, "move_steps"] + 0 " drags: median", ms(r, "move_median_ms"), "<= 50 ms",
                v[r, "move_median_ms"] <= 50)
            row("  move: slowest", ms(r, "move_max_ms"), "<= 50 ms", v[r, "move_max_ms"] <= 50)
            row("  longest poll pause while opening", ms(r, "open_longest_poll_gap_ms"),
                "< 200 ms", v[r, "open_longest_poll_gap_ms"] < 200)
            row("  longest poll pause while zooming, moving", ms(r, "zoom_longest_poll_gap_ms"),
                "< 200 ms", v[r, "zoom_longest_poll_gap_ms"] < 200)
            row("  memory: resident at most", sprintf("%.1f MB", v[r, "rss_peak_mb"]),
                r == "sixteen" ? "<= 100 MB" : "", v[r, "rss_peak_mb"] <= 100)
            row("  drawing alone (median of 9)", ms(r, "redraw_median_ms"), "", 1)
            row("  window thread CPU: opening", ms(r, "open_window_thread_cpu_ms"), "", 1)
            row("  window thread CPU: per zoom or move", ms(r, "zoom_window_thread_cpu_per_step_ms"),
                "", 1)
            row("  summing up without a window", ms(r, "reader_summing_up_ms"), "", 1)
            row("  summary in memory", sprintf("%.1f MB", v[r, "reader_summary_mb"]), "", 1)
            row("  a close view, read from the records", ms(r, "reader_close_view_ms"), "", 1)
            row("  summing up, processor time of both threads",
                ms(r, "reader_summing_up_cpu_ms"), "", 1)
        }
        printf "\nstores: one station %d records, %d MB; sixteen stations %d records, %d MB " \
               "(%.1f MB per station-year); the kept summary of sixteen stations %d MB\n", records1, size1,
               records16, size16, size16 / 16, kept16
        printf "the poll pause is the longest time between two ticks of a 100 ms timer (the poll " \
               "timer at \"9600\") on the window thread; %d cores\n", cores
        exit (missed > 0)
    }' "$results"
