#!/usr/bin/env bash
# The real program, offscreen, over a program directory whose bells are due now: a good file, a
# missing one and random bytes named .mp3, and a bell two minutes ago that rang nowhere. The
# day's log file must say rang (with the onset), failed … not found, failed … cannot be decoded
# and missed; and, after SIGTERM, exit. Sound goes to SDL's disk driver, never to a real device.
set -euo pipefail
exe="$(realpath "$1")" data="$(realpath "$2")"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
home="$work/home" out="$work/out"
mkdir -p "$home/tp" "$out"
slot() { date -d "@$(($(date +%s) + $1))" +%H:%M:00; }
cp "$data/square_a.wav" "$work/bell.wav"
head -c 20000 /dev/urandom > "$work/noise.mp3"
rule() { printf '*{%s;1;1;1;1;1;1;1;1;%s;%s;;;;;;;;;;;;;;;;;;;;}\r\n' "$1" "$2" "$3"; }
{
    rule "$work/bell.wav" "$(slot 0)" "$(slot 60)"
    rule "$work/missing.mp3" "$(slot 0)" "$(slot 60)"
    rule "$work/noise.mp3" "$(slot 0)" "$(slot 60)"
    rule "$work/bell.wav" "$(slot -120)" ""
} > "$home/春季作息表.INI"
# A start in the first two minutes of a day has no earlier bell today to miss.
expect_missed=1
[ "$(date -d "@$(($(date +%s) - 120))" +%F)" = "$(date +%F)" ] || expect_missed=0

source "$(dirname "$0")/waitfor.sh"
logfile() { ls "$home"/日志/*.tsv 2>/dev/null | tail -n 1; }
logged() { local f; f="$(logfile)" && [ -n "$f" ] && grep -qP "$1" "$f"; }
all_logged() {
    logged '\trang\t\d\d:\d\d:00\t春季作息表\t1\t[^\t]*bell\.wav\tonset \d+ ms, device disk' &&
        logged '\tfailed\t\d\d:\d\d:00\t春季作息表\t2\t[^\t]*missing\.mp3\tnot found' &&
        logged '\tfailed\t\d\d:\d\d:00\t春季作息表\t3\t[^\t]*noise\.mp3\tcannot be decoded' &&
        { [ "$expect_missed" = 0 ] || logged '\tmissed\t\d\d:\d\d:00\t春季作息表\t4\t.*the program was not running'; }
}
ended() { ! kill -0 "$pid" 2>/dev/null; }

export RINGVALE_HOME="$home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/sound.raw"
export RINGVALE_WEATHER_HOST=127.0.0.1:1 XDG_CONFIG_HOME="$out/config" HOME="$out" XDG_RUNTIME_DIR="$out"
"$exe" 2> "$out/stderr" &
pid=$!
wait_for 150 all_logged || { echo "the log lacks an entry:"; cat "$(logfile)" "$out/stderr"; exit 1; }
kill -TERM "$pid"
wait_for 20 ended || { echo "still running after SIGTERM"; exit 1; }
pid=""
logged '\tsystem\t.*\texit$' || { echo "no exit in the log"; cat "$(logfile)"; exit 1; }
cat "$(logfile)"
