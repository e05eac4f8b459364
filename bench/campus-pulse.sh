#!/usr/bin/env bash
# A "play now" from the office to 20 buildings on this machine: a private mosquitto, an office
# and 20 `ringvale --service` buildings, each playing through a private PulseAudio server (a
# null sink). Each round the office sends a play (`ringvale --play`, as the office); every
# building logs when its first samples went to the server, in ms after the office sent it.
# Prints min, median and max over all buildings and rounds, and each round's slowest building.
# Usage: bench/campus-pulse.sh [ROUNDS] [BUILDINGS] [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/common.sh"
ringvale_install_packages pulseaudio pulseaudio-utils
rounds="${1:-10}"
count="${2:-20}"
build="${3:-$root/build}"
cmake --build "$build" --target ringvale >/dev/null
exe="$build/ringvale"

work="$(mktemp -d)"
pids=()
server="" broker=""
trap 'kill -TERM "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null; kill -KILL $broker $server 2>/dev/null; rm -rf "$work"' EXIT
source "$root/tests/app/waitfor.sh"
source "$root/tests/app/broker.sh"

export XDG_RUNTIME_DIR="$work" PULSE_RUNTIME_PATH="$work/pulse" HOME="$work"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" -L "module-null-sink sink_name=campus" &
server=$!
export PULSE_SERVER="unix:$work/native" SDL_AUDIODRIVER=pulseaudio PULSE_SINK=campus
wait_for 100 pactl info >/dev/null 2>&1

buildings=()
for i in $(seq "$count"); do buildings+=("b$i"); done
broker_setup "$work" bench "${buildings[@]}"
broker_start

# The office names the bell in a rule that never comes due, so every building gets a copy.
mkdir -p "$work/office"
cp "$root/tests/data/square_a.wav" "$work/bell.wav"
printf '*{%s;1;1;1;1;1;1;1;1;03:33:00;;;;;;;;;;;;;;;;;;;;}\r\n' "$work/bell.wav" > "$work/office/春季作息表.INI"
run() { # NAME ARGS...
    local name="$1"
    shift
    mkdir -p "$work/$name"
    RINGVALE_HOME="$work/$name" RINGVALE_WEATHER_HOST=127.0.0.1:1 "$exe" --service "$@" 2> "$work/$name.err" &
    pids+=($!)
}
run office $(campus_link office) --publish
for b in "${buildings[@]}"; do run "$b" $(campus_link "$b"); done
have_copies() { for b in "${buildings[@]}"; do ls "$work/$b"/校园音乐/*.wav >/dev/null 2>&1 || return 1; done; }
wait_for 300 have_copies

all=()
worst=()
for round in $(seq "$rounds"); do
    # The command waits for every building's answer and prints one line each:
    # BUILDING<TAB>played<TAB>MS (first sample handed to PulseAudio, ms after it was sent).
    if ! answers="$(RINGVALE_HOME="$work/office" "$exe" $(campus_link office) --publish --play "$work/bell.wav")"; then
        echo "round $round: not every building played:"
        echo "$answers"
        exit 1
    fi
    mapfile -t delays < <(grep -oP '^b\d+\tplayed\t\K-?\d+$' <<< "$answers")
    [ "${#delays[@]}" = "$count" ] || { echo "round $round: ${#delays[@]} of $count buildings answered"; exit 1; }
    RINGVALE_HOME="$work/office" "$exe" $(campus_link office) --publish --stop > /dev/null ||
        { echo "round $round: the stop did not reach every building"; exit 1; }
    all+=("${delays[@]}")
    worst+=("$(printf '%s\n' "${delays[@]}" | sort -n | tail -n 1)")
done
stats() { sort -n | awk '{v[NR]=$1} END {printf "%6d %8d %6d", v[1], v[int((NR+1)/2)], v[NR]}'; }
printf '%-58s %6s %8s %6s\n' "play now, office to $count buildings, PulseAudio ($rounds rounds)" min median max
printf '%-58s %s ms\n' "delay to a building's first sample (all $((rounds * count)))" "$(printf '%s\n' "${all[@]}" | stats)"
printf '%-58s %s ms\n' "the slowest building of each round" "$(printf '%s\n' "${worst[@]}" | stats)"
