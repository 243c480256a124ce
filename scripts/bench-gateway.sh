#!/usr/bin/env bash
# The gateway under load. Sixteen simulated meters polled by the program without windows, every
# station in turn, its gateway on: Modbus TCP on a loopback port and MQTT to a mosquitto broker
# the script starts on another. Two runs of SECONDS each, the first without Modbus clients, the
# second with CLIENTS libmodbus clients each reading the 28 input registers of all sixteen
# stations every 100 ms. Prints, each with the command that measured it:
#   - the request latency on loopback, median and 99th percentile (modbus_load);
#   - the polling cadence of both runs, the median request period read from the simulator's byte
#     log (poll_log_stats), and their ratio (target: 1 within 1 %);
#   - the program's processor time per wall time in both runs (utime + stime from /proc);
#   - MQTT messages per minute arriving at a subscriber, and their age on arrival (arrival time
#     less the "time" the message carries), median, 99th percentile and largest.
#
#   bash scripts/bench-gateway.sh [SECONDS [CLIENTS [PROGRAM]]]   # 300, 20, tuskocp by default
#
# PROGRAM "tuskocpd" runs the service program instead of `tuskocp --headless`. Builds into
# build-bench (Release) and works in build-bench/gateway-run; needs root for the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
seconds=${1:-300}
clients=${2:-20}
program_name=${3:-tuskocp}
build=$top/build-bench
tools=$build/bench

bash scripts/install-deps.sh >/dev/null
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTUSKO_BUILD_BENCH=ON -DTUSKO_BUILD_TESTS=OFF \
    >/dev/null
cmake --build "$build" -j2 --target "$program_name" tuskocp-meter-sim mono_exec poll_log_stats \
    modbus_load >/dev/null

source scripts/program-runs.sh  # stops what is started here on exit
rm -rf "$build/gateway-run" && mkdir -p "$build/gateway-run" && cd "$build/gateway-run"

now_us() { "$tools/mono_exec" /dev/stdout true; }
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# utime + stime of a process, in clock ticks (the fields after the command name).
process_ticks() {
    local stat
    read -r stat < "/proc/$1/stat"
    awk '{ print $12 + $13 }' <<< "${stat##*) }"
}
value() { awk -v k="$2" '$1 == k { print $2 }' "$1"; }

modbus_port=$(free_port)
mqtt_port=$(free_port)
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nuser root\n' "$mqtt_port" \
    > mosquitto.conf
mosquitto -c mosquitto.conf > mosquitto.out 2>&1 &
pids+=($!)
printf 'COM1=%s\n' "$PWD/ttyMETER" > comports.conf
printf 'modbus_listen=127.0.0.1:%s\nmqtt_host=127.0.0.1\nmqtt_port=%s\nmqtt_prefix=bench/bus\n' \
    "$modbus_port" "$mqtt_port" > gateway.conf
start_simulator --stations 1-16
case "$program_name" in
    tuskocpd) "$build/src/service/tuskocpd" --multi > program.out 2>&1 & ;;
    *) "$build/src/shell/tuskocp" --headless --multi > program.out 2>&1 & ;;
esac
program_pid=$!
pids+=($program_pid)
echo "load (1, 5, 15 min) before: $(loadavg); waiting for every station to be served ..."
"$tools/modbus_load" "$modbus_port" --wait 120
# Line by line as the messages arrive; the retained ones the broker holds at the start are left out.
stdbuf -oL mosquitto_sub -h 127.0.0.1 -p "$mqtt_port" -t 'bench/bus/station/+' -R -F '%U %p' \
    > mqtt.txt &
pids+=($!)

# run NAME WITH_CLIENTS: one run of $seconds; its figures in NAME-*.txt.
run() {
    local name=$1 with_clients=$2 t0 t1 ticks0 ticks1 unix0 unix1
    echo "$name: $seconds s ${with_clients:+with $clients Modbus clients }(load $(loadavg)) ..."
    unix0=$(date +%s.%N)
    t0=$(now_us)
    ticks0=$(process_ticks "$program_pid")
    if [ -n "$with_clients" ]; then
        "$tools/modbus_load" "$modbus_port" "$clients" 100 "$seconds" > "$name-load.txt"
    else
        sleep "$seconds"
    fi
    ticks1=$(process_ticks "$program_pid")
    t1=$(now_us)
    unix1=$(date +%s.%N)
    echo "load $(loadavg)" > "$name-machine.txt"
    "$tools/poll_log_stats" meter-sim.log "$t0" "$t1" 100000 > "$name-cadence.txt"
    awk -v ticks=$(( ticks1 - ticks0 )) -v hz="$(getconf CLK_TCK)" -v us=$(( t1 - t0 )) \
        'BEGIN { printf "cpu_percent %.2f\n", ticks / hz * 1e6 / us * 100 }' > "$name-cpu.txt"
    # The messages that arrived during the run: their count per minute and their ages.
    python3 - mqtt.txt "$unix0" "$unix1" > "$name-mqtt.txt" <<'PY'
import datetime, json, sys
start, end = float(sys.argv[2]), float(sys.argv[3])
ages = []
for line in open(sys.argv[1], encoding="utf-8"):
    arrived, _, payload = line.partition(" ")
    arrived = float(arrived)
    if start <= arrived < end:
        sent = datetime.datetime.fromisoformat(json.loads(payload)["time"]).timestamp()
        ages.append((arrived - sent) * 1000)
ages.sort()
pick = lambda share: ages[int(share * (len(ages) - 1))] if ages else 0
print("per_minute %.1f" % (len(ages) / (end - start) * 60))
print("age_p50_ms %.1f\nage_p99_ms %.1f\nage_max_ms %.1f" % (pick(0.5), pick(0.99), pick(1)))
PY
}

run quiet ""
run loaded yes

period_quiet=$(value quiet-cadence.txt period_us)
period_loaded=$(value loaded-cadence.txt period_us)
# The cadence as scripts/bench-polling.sh takes it: the median of each request's period over the
# timer interval (100 ms) plus its span and the meter's reply time.
cadence_quiet=$(value quiet-cadence.txt cadence)
cadence_loaded=$(value loaded-cadence.txt cadence)
printf '\n%-44s %s\n' "figure (command)" "measured"
printf '%-44s p50 %s us, p99 %s us, max %s us; %s requests, %s failed, %s rounds late\n' \
    "latency ($clients clients, modbus_load)" "$(value loaded-load.txt p50_us)" \
    "$(value loaded-load.txt p99_us)" "$(value loaded-load.txt max_us)" \
    "$(value loaded-load.txt requests)" "$(value loaded-load.txt failed)" \
    "$(value loaded-load.txt late_rounds)"
printf '%-44s without %s, with %s: ratio %s (target 1 within 1 %%)\n' \
    "polling cadence (poll_log_stats)" "$cadence_quiet" "$cadence_loaded" \
    "$(awk -v a="$cadence_quiet" -v b="$cadence_loaded" 'BEGIN { printf "%.4f", b / a }')"
printf '%-44s period %s/%s us (ratio %s), span %s/%s us, reply %s/%s us, %s/%s requests\n' \
    "  medians without/with" "$period_quiet" "$period_loaded" \
    "$(awk -v a="$period_quiet" -v b="$period_loaded" 'BEGIN { printf "%.4f", b / a }')" \
    "$(value quiet-cadence.txt span_us)" "$(value loaded-cadence.txt span_us)" \
    "$(value quiet-cadence.txt reply_us)" "$(value loaded-cadence.txt reply_us)" \
    "$(value quiet-cadence.txt requests)" "$(value loaded-cadence.txt requests)"
printf '%-44s without %s %%, with %s %% of one core\n' "program CPU (/proc/PID/stat)" \
    "$(value quiet-cpu.txt cpu_percent)" "$(value loaded-cpu.txt cpu_percent)"
for name in quiet loaded; do
    printf '%-44s %s per minute; age p50 %s ms, p99 %s ms, max %s ms\n' \
        "MQTT, $name run (mosquitto_sub -F '%U %p')" "$(value $name-mqtt.txt per_minute)" \
        "$(value $name-mqtt.txt age_p50_ms)" "$(value $name-mqtt.txt age_p99_ms)" \
        "$(value $name-mqtt.txt age_max_ms)"
done
printf '%-44s without: %s; with: %s; %s cores\n' "machine load (1, 5, 15 min) at the end" \
    "$(cut -d' ' -f2- quiet-machine.txt)" "$(cut -d' ' -f2- loaded-machine.txt)" "$(nproc)"
