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
source scripts/program-runs.sh
build_program

mkdir -p run
cd run
prepare_directory
start_simulator --stations 1-16
ensure_display

if [ -n "$shot_after" ]; then
    start_program
    sleep "$shot_after"
    import -window root "$shot_file"
    echo "screenshot: $shot_file"
else
    "$top/build/src/shell/tuskocp"
fi
