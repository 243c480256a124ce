#!/usr/bin/env bash
# Installs what is needed, builds the program and runs it against the meter simulator.
#
#   bash scripts/demo.sh                      # run until the window is closed
#   bash scripts/demo.sh --screenshot 8 shot.png
#                                             # save a picture of the screen after 8 s, then stop
#
# The working directory is run/: it holds "comports.conf" (COM1 is the simulator), the records
# store "kvt97.mdb" (created empty on the first run) and the simulator's byte log.
# Without a display the program runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

shot_after=""
shot_file=""
while [ $# -gt 0 ]; do
    case "$1" in
        --screenshot) shot_after=$2; shot_file=$(realpath -m "$3"); shift 3 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

bash scripts/install-deps.sh
# Only what the demo runs: the program, the simulator and the store tool (the test command
# builds the rest into the same directory).
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tuskocp tuskocp-meter-sim tuskocp-mkstore

mkdir -p run
cd run
[ -f kvt97.mdb ] || "$top/build/tools/mkstore/tuskocp-mkstore" kvt97.mdb
printf '# COM1 is the meter simulator started by scripts/demo.sh\nCOM1=%s\n' "$PWD/ttyMETER" > comports.conf

pids=()
cleanup() {
    # The program first, then the display and the simulator it uses.
    for (( i = ${#pids[@]} - 1; i >= 0; i-- )); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT INT TERM

"$top/build/tools/meter_sim/tuskocp-meter-sim" --link "$PWD/ttyMETER" --stations 1-16 \
    --log "$PWD/meter-sim.log" > meter-sim.out &
pids+=($!)
for _ in $(seq 50); do [ -e ttyMETER ] && break; sleep 0.1; done
[ -e ttyMETER ] || { echo "the meter simulator did not start" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ]; then
    number=$(( 90 + RANDOM % 100 ))
    Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$number"
    for _ in $(seq 50); do [ -S "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
fi

if [ -n "$shot_after" ]; then
    "$top/build/src/shell/tuskocp" &
    pids+=($!)
    sleep "$shot_after"
    import -window root "$shot_file"
    echo "screenshot: $shot_file"
else
    "$top/build/src/shell/tuskocp"
fi
