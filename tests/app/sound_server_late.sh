#!/usr/bin/env bash
# A bell falls due while the sound server is not up (it starts, or restarts, after the program):
# the output is tried again until the server answers, the bell rings late but rings, and its
# rang line lists the failed tries. A private PulseAudio server with a null sink; nothing
# reaches a real device.
set -euo pipefail
exe="$(realpath "$1")" data="$(realpath "$2")"
work="$(mktemp -d)"
pid="" server=""
trap 'kill -KILL $pid $server 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/waitfor.sh"
home="$work/home"
mkdir -p "$home/tp"
cp "$data/square_a.wav" "$work/bell.wav"
early_in_minute() { [ "$((10#$(date +%S)))" -lt 45 ]; }
wait_for 300 early_in_minute
printf '*{%s;1;1;1;1;1;1;1;1;%s;;;;;;;;;;;;;;;;;;;;;}\r\n' "$work/bell.wav" "$(date +%H:%M:00)" > "$home/春季作息表.INI"

export XDG_RUNTIME_DIR="$work" PULSE_RUNTIME_PATH="$work/pulse" HOME="$work"
export PULSE_SERVER="unix:$work/native" SDL_AUDIODRIVER=pulseaudio RINGVALE_HOME="$home"
export RINGVALE_WEATHER_HOST=127.0.0.1:1
"$exe" --service 2> "$work/ringvale.err" &
pid=$!
log() { cat "$home"/日志/*.tsv 2>/dev/null; }
# The ledger holds the bell once it is handed to the player, whose first try meets no server.
fired() { grep -q 'bell\.wav' "$home"/日志/*.rung 2>/dev/null; }
wait_for 100 fired || { echo "the bell was never handed to the player"; cat "$work/ringvale.err"; exit 1; }
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" -L "module-null-sink sink_name=bells" &
server=$!
rang() { log | grep -qP '\trang\t.*\tonset \d+ ms, device pulseaudio \(opened after \d+ failed tries: '; }
wait_for 300 rang || { echo "the bell did not ring once the server came"; log; cat "$work/ringvale.err"; exit 1; }
log | grep -P '\trang\t'
