#!/usr/bin/env bash
# Starts the real program offscreen for a few seconds over a prepared program directory and
# checks that it came up, created its icon cache and stayed up; then ends it.
set -euo pipefail
exe="$1"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
printf '*{/nowhere/bell.mp3;1;1;1;1;1;1;1;1;08:00:00;;;;;;;;;;;;;;;;;;;;;}\r\n' > "$home/春季作息表.INI"
export RINGVALE_HOME="$home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export RINGVALE_WEATHER_HOST=127.0.0.1:1 XDG_CONFIG_HOME="$home/config"
"$exe" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" || true
    echo "ringvale ended during start-up"
    exit 1
fi
[ -d "$home/tp" ] || { echo "no icon cache folder"; kill "$pid"; exit 1; }
[ -f "$home/.ringvale.lock" ] || { echo "no instance lock"; kill "$pid"; exit 1; }
# The timetable is read, never rewritten by a start.
[ "$(cat "$home/春季作息表.INI")" = "$(printf '*{/nowhere/bell.mp3;1;1;1;1;1;1;1;1;08:00:00;;;;;;;;;;;;;;;;;;;;;}\r\n')" ]
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "ringvale started offscreen and ran for 3 seconds"
