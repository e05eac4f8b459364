#!/usr/bin/env bash
# The service with its web console on 127.0.0.1, driven by a real browser (browser_test.cjs).
# Sound goes to SDL's disk driver, never to a real device. Usage: browser.sh RINGVALE NODE_MODULES DATA
set -euo pipefail
exe="$(realpath "$1")" modules="$(realpath "$2")" data="$(realpath "$3")"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && { kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }; rm -rf "$work"' EXIT
export RINGVALE_HOME="$work/home" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw"
mkdir -p "$RINGVALE_HOME"
cp "$data/square_a.wav" "$RINGVALE_HOME/bell.wav"
cp "$data/square_b.wav" "$RINGVALE_HOME/alarm.wav"
# A bell an hour ahead (the page shows it as the next), on every day.
next=$(date -d "+1 hour" +%H:%M:00)
[ "$(date -d "+1 hour" +%F)" = "$(date +%F)" ] || next=23:59:00
printf '*{%s;1;1;1;1;1;1;1;1;%s;;;;;;;;;;;;;;;;;;;;;}\r\n' "$RINGVALE_HOME/bell.wav" "$next" > "$RINGVALE_HOME/春季作息表.INI"
echo "$next" > "$RINGVALE_HOME/next-bell.txt"
for user in op:operator viewer:viewer admin:admin; do
    echo "correct horse battery" | "$exe" --web-user "${user%%:*}" "${user##*:}" >/dev/null
done
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$exe" --service --web "127.0.0.1:$port" >"$work/service.log" 2>&1 &
pid=$!
source "$(dirname "$0")/../app/waitfor.sh"
wait_for 100 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || { cat "$work/service.log"; exit 1; }
NODE_PATH="$modules" node "$(dirname "$0")/browser_test.cjs" "http://127.0.0.1:$port" "$RINGVALE_HOME" "${RINGVALE_SCREENSHOTS:-}"
