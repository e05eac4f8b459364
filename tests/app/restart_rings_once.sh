#!/usr/bin/env bash
# The real program (MODE: window or service) rings a bell, is ended by SIGTERM inside the bell's
# minute and started again, then killed by SIGKILL and started again. Each restart finds a new
# rule of another file due in the same minute (added while it was down): when that one has rung,
# the restarted program has ticked through the minute, and the first bell must still have rung
# exactly once. Sound goes to SDL's disk driver, never to a real device.
set -euo pipefail
exe="$(realpath "$1")" mode="$2" data="$(realpath "$3")"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
home="$work/home" out="$work/out"
mkdir -p "$home/tp" "$out"
source "$(dirname "$0")/waitfor.sh"
for name in first second third; do cp "$data/square_a.wav" "$work/$name.wav"; done

# The three runs need a few seconds of one minute.
early_in_minute() { [ "$((10#$(date +%S)))" -lt 40 ]; }
wait_for 300 early_in_minute || { echo "the clock never showed an early second"; exit 1; }
slot="$(date +%H:%M:00)"
rule() { printf '*{%s;1;1;1;1;1;1;1;1;%s;;;;;;;;;;;;;;;;;;;;;}\r\n' "$work/$1.wav" "$slot"; }
timetable="$home/春季作息表.INI"
rule first > "$timetable"

export RINGVALE_HOME="$home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/sound.raw"
export RINGVALE_WEATHER_HOST=127.0.0.1:1 XDG_CONFIG_HOME="$out/config" HOME="$out" XDG_RUNTIME_DIR="$out"
args=()
[ "$mode" = service ] && args=(--service)
log() { cat "$home"/日志/*.tsv 2>/dev/null; }
rang() { log | grep -cP "\trang\t$slot\t[^\t]*\t\d+\t[^\t]*/$1\.wav\t" || true; }
has_rung() { [ "$(rang "$1")" -ge 1 ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
start() {
    "$exe" "${args[@]}" 2>> "$out/stderr" &
    pid=$!
    wait_for 100 has_rung "$1" || { echo "$1.wav never rang"; log; cat "$out/stderr"; exit 1; }
}

start first
kill -TERM "$pid"
wait_for 100 ended || { echo "still running after SIGTERM"; exit 1; }
rule second >> "$timetable"
start second
kill -KILL "$pid"
wait_for 100 ended
rule third >> "$timetable"
start third
kill -TERM "$pid"
wait_for 100 ended
pid=""
[ "$(date +%H:%M:00)" = "$slot" ] || echo "note: the runs took the test past the bell's minute"
for name in first second third; do
    [ "$(rang "$name")" = 1 ] || { echo "$name.wav rang $(rang "$name") times"; log; exit 1; }
done
log | grep -P '\t(rang|failed)\t'
