#!/usr/bin/env bash
# The real program, offscreen, over a program directory with a bell due now (this minute and the
# next, so a start at second 59 still rings one):
#   normal     — the bell sounds, and SIGTERM ends the program within a second with status 0;
#   read-only  — a program directory that cannot be written: the program starts, says once that
#                changes cannot be saved, rings, and leaves the timetable as it was.
# Sound goes to SDL's disk driver, never to a real device.
set -euo pipefail
exe="$(realpath "$1")" mode="$2" data="$(realpath "$3")"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
home="$work/home" out="$work/out"
mkdir -p "$home/tp" "$out"
chmod 777 "$out"
slot() { date -d "@$(($(date +%s) + $1))" +%H:%M:00; }
# The program and its bell are copied beside the data, so that another user can reach them
# wherever the build lives (a root-only home folder, say).
cp "$exe" "$work/ringvale"
cp "$data/square_a.wav" "$work/bell.wav"
exe="$work/ringvale"
# So are the sanitizers' suppressions, when a sanitizer build names some.
if [[ "${LSAN_OPTIONS:-}" =~ suppressions=([^:]*) ]]; then
    cp "${BASH_REMATCH[1]}" "$work/sanitizers.supp"
    export LSAN_OPTIONS="${LSAN_OPTIONS/"${BASH_REMATCH[1]}"/$work/sanitizers.supp}"
fi
printf '*{%s;1;1;1;1;1;1;1;1;%s;%s;;;;;;;;;;;;;;;;;;;;}\r\n' "$work/bell.wav" "$(slot 0)" "$(slot 60)" \
    > "$home/春季作息表.INI"
before="$(cat "$home/春季作息表.INI")"

source "$(dirname "$0")/waitfor.sh"
sounded() { [ -s "$out/sound.raw" ] && [ "$(tr -d '\000' < "$out/sound.raw" | head -c 1 | wc -c)" -gt 0 ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

export RINGVALE_HOME="$home" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$out/sound.raw"
export RINGVALE_WEATHER_HOST=127.0.0.1:1 XDG_CONFIG_HOME="$out/config" HOME="$out" XDG_RUNTIME_DIR="$out"
run=("$exe")
if [ "$mode" = read-only ]; then
    chmod -R a-w "$home"
    # root writes anywhere: the program runs as nobody, for whom the folder is read-only.
    [ "$(id -u)" -eq 0 ] && run=(setpriv --reuid=65534 --regid=65534 --clear-groups "$exe")
fi
"${run[@]}" 2> "$out/stderr" &
pid=$!

wait_for 150 sounded || { echo "no bell sounded"; cat "$out/stderr"; exit 1; }
if [ "$mode" = read-only ]; then
    grep -q "cannot be written" "$out/stderr" || { echo "the read-only folder was not reported"; exit 1; }
    [ "$(grep -c "cannot be written" "$out/stderr")" -eq 1 ] || { echo "reported more than once"; exit 1; }
    [ "$(cat "$home/春季作息表.INI")" = "$before" ] || { echo "the timetable changed"; exit 1; }
fi
kill -TERM "$pid"
wait_for 10 ended || { echo "still running a second after SIGTERM"; exit 1; }
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || { echo "exit status $status after SIGTERM"; cat "$out/stderr"; exit 1; }
echo "ringvale ($mode) rang its bell and ended on SIGTERM with status 0"
