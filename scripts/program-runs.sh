# Shared by the scripts that run the whole program against the meter simulator: sourced, not run.
# The caller sets `top` (the checkout) and works in the directory that becomes the program's
# working directory. Everything started here is stopped again when the caller exits.

pids=()
stop_started() {
    # The program first, then the display and the simulator it uses.
    for (( i = ${#pids[@]} - 1; i >= 0; i-- )); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
}
trap stop_started EXIT INT TERM

# Builds only what the runs need: the program, the simulator and the store tool.
build_program() {
    cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$top/build" -j"$(nproc)" --target tuskocp tuskocp-meter-sim tuskocp-mkstore
}

# An empty records store, unless there is one, and "comports.conf" naming the simulator COM1.
prepare_directory() {
    [ -f kvt97.mdb ] || "$top/build/tools/mkstore/tuskocp-mkstore" kvt97.mdb >/dev/null
    printf '# COM1 is the meter simulator\nCOM1=%s\n' "$PWD/ttyMETER" > comports.conf
}

# start_simulator [simulator options...]: sixteen meters behind ./ttyMETER, bytes logged to
# ./meter-sim.log. The simulator is $top/build's unless the caller sets `meter_sim`.
start_simulator() {
    "${meter_sim:-$top/build/tools/meter_sim/tuskocp-meter-sim}" --link "$PWD/ttyMETER" \
        --log "$PWD/meter-sim.log" "$@" > meter-sim.out &
    pids+=($!)
    for _ in $(seq 50); do [ -e ttyMETER ] && return 0; sleep 0.1; done
    echo "the meter simulator did not start" >&2
    return 1
}

# The monotonic time of the first request byte the simulator logged at or after $1; waits 30 s.
first_request_after() {
    local first=""
    for _ in $(seq 600); do
        first=$(awk -v t="$1" '$2 == "rx" && $3 == "2A" && $1 >= t { print $1; exit }' \
                    meter-sim.log)
        [ -n "$first" ] && { echo "$first"; return 0; }
        sleep 0.05
    done
    echo "no request reached the simulator" >&2
    return 1
}

# A virtual display (Xvfb) unless there is a display already.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    new_display 1280x800
}

# new_display SIZE: a virtual display of SIZE (WIDTHxHEIGHT), made the DISPLAY.
new_display() {
    # Xvfb picks a free display number itself and writes it once it accepts clients; a number
    # picked here could belong to a display that is still going away or to somebody else's.
    local number_file number=""
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3> "$number_file" >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        number=$(tr -dc 0-9 < "$number_file")
        [ -n "$number" ] && break
        sleep 0.1
    done
    rm -f "$number_file"
    [ -n "$number" ] || { echo "the virtual display did not start" >&2; return 1; }
    export DISPLAY=":$number"
}

# Starts the program in the background; its process id is in `program_pid`.
start_program() {
    "$top/build/src/shell/tuskocp" > program.out 2>&1 &
    program_pid=$!
    pids+=($program_pid)
}

# Starts the program without windows (`--headless` and the options given) in the background; its
# process id is in `program_pid`, its standard error appended to program.out.
start_headless() {
    "$top/build/src/shell/tuskocp" --headless "$@" >> program.out 2>&1 &
    program_pid=$!
    pids+=($program_pid)
}

# Ends the program started last as a service manager would, and waits for it.
stop_program() {
    kill -TERM "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
}

# Chooses "多机通讯" with the keyboard, as an operator could: Tab twice reaches the mode
# choice, Down selects multi-station mode.
choose_multi_station() {
    local window=""
    for _ in $(seq 50); do
        window=$(xdotool search --name "Tusko RS485" 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "the main window did not appear" >&2; return 1; }
    xdotool windowfocus --sync "$window"
    xdotool key --window "$window" Tab Tab Down
}
