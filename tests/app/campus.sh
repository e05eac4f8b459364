#!/usr/bin/env bash
# A campus on a real mosquitto broker on 127.0.0.1 (an ephemeral port, a password file and an
# ACL written here): an office and three buildings, each a `ringvale --service` over a program
# directory of its own, sound to SDL's silent dummy driver.
#  - a timetable saved in the office is byte-identical in every building within one second;
#  - all three buildings log `rang` for the next bell, their onsets within 100 ms of each other;
#  - with the broker stopped they log that they are cut off and still ring the following bell;
#  - with the broker back, a change made meanwhile reaches them;
#  - a building's password cannot publish a timetable, and a payload that does not parse is
#    logged and never written;
#  - each building's state is retained on its status topic: online, and offline when it stops
#    or vanishes (its last will);
#  - a 50 MB status from a building's credentials is dropped unread by the office;
#  - --play of a file only the office has: every building plays it and the command prints
#    each building's answer;
#  - an office save during an alarm: every building keeps sounding until --stop.
set -euo pipefail
exe="$(realpath "$1")" data="$(realpath "$2")"
work="$(mktemp -d)"
pids=()
broker=""
cleanup() {
    for p in "${pids[@]}" $broker; do kill -KILL "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
[ -z "${RINGVALE_KEEP_CAMPUS:-}" ] || trap 'for p in "${pids[@]}" $broker; do kill -KILL "$p" 2>/dev/null || true; done; echo "kept $work"' EXIT
source "$(dirname "$0")/waitfor.sh"
fail() { echo "FAIL: $*"; for f in "$work"/*/日志/*.tsv; do echo "== $f"; cat "$f"; done; cat "$work"/*.err 2>/dev/null | tail -n 40; exit 1; }

campus=school
buildings=(b1 b2 b3)
source "$(dirname "$0")/broker.sh"
broker_setup "$work" "$campus" "${buildings[@]}"
broker_start || fail "no broker could be started"

start() { # NAME [ARGS...]
    local name="$1"
    shift
    mkdir -p "$work/$name"
    # SDL's disk driver writes what sounds to a file, in real time: a file that grows is a building
    # that sounds.
    RINGVALE_HOME="$work/$name" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw" \
        RINGVALE_WEATHER_HOST=127.0.0.1:1 HOME="$work/$name" \
        XDG_RUNTIME_DIR="$work/$name" "$exe" --service "$@" 2> "$work/$name.err" &
    pids+=($!)
    eval "pid_$name=$!"
}
logged() { grep -qP "$2" "$work/$1"/日志/*.tsv 2>/dev/null; }
sub() { # TOPIC: the retained payload, as the office reads it
    mosquitto_sub -h 127.0.0.1 -p "$port" -u office -P office-secret -t "ringvale/$campus/$1" -C 1 -W 3 2>/dev/null || true
}

# The office's timetable: one bell at two minute boundaries at least 40 s away.
mkdir -p "$work/office" "$work/music"
cp "$data/square_a.wav" "$work/music/bell.wav"
first=$(( ($(date +%s) + 40 + 59) / 60 * 60 ))
t1=$(date -d "@$first" +%H:%M:00) t2=$(date -d "@$((first + 60))" +%H:%M:00)
rule() { printf '*{%s;1;1;1;1;1;1;1;1;%s;%s;;;;;;;;;;;;;;;;;;;;}\r\n' "$work/music/bell.wav" "$1" "$2"; }
table="$work/office/春季作息表.INI"
save() { printf '%s' "$1" > "$table.new" && mv "$table.new" "$table"; } # as the window saves: atomically
save "$(rule "$t1" "$t2")"

start office $(campus_link office) --publish
for b in "${buildings[@]}"; do start "$b" $(campus_link "$b"); done
same_everywhere() {
    for b in "${buildings[@]}"; do cmp -s "$table" "$work/$b/春季作息表.INI" || return 1; done
}
wait_for 100 same_everywhere || fail "the office's timetable did not reach every building"
for b in "${buildings[@]}"; do
    copy="$(ls "$work/$b"/校园音乐/*.wav 2>/dev/null | head -n 1)"
    cmp -s "$copy" "$work/music/bell.wav" || fail "$b has no copy of the office's music"
    sub "status/$b" | grep -q '^state=online$' || fail "$b's status is not online"
done

# A save in the office reaches every building within one second.
save "$(rule "$t1" "$t2")$(rule "" "")"
saved=$(date +%s%N)
wait_for 30 same_everywhere || fail "a saved timetable did not reach every building"
took=$(( ($(date +%s%N) - saved) / 1000000 ))
echo "a saved timetable was byte-identical in all three buildings after $took ms"
[ "$took" -le 1000 ] || fail "that is more than one second"

# Only the office writes the timetables: a building's password cannot, and what does not parse
# is refused.
before="$(sub timetable/00)"
mosquitto_pub -h 127.0.0.1 -p "$port" -u b1 -P b1-secret -t "ringvale/$campus/timetable/00" -r -q 1 -m 'junk' || true
mosquitto_pub -h 127.0.0.1 -p "$port" -u office -P office-secret -t "ringvale/$campus/timetable/01" -r -q 1 -m 'junk'
refused() { for b in "${buildings[@]}"; do logged "$b" 'timetable/01 that does not parse was ignored' || return 1; done; }
wait_for 50 refused || fail "a payload that does not parse was not logged as ignored"
[ "$(sub timetable/00)" = "$before" ] || fail "a building's password changed the office's timetable"
same_everywhere || fail "a building's file changed"
for b in "${buildings[@]}"; do [ ! -e "$work/$b/夏季作息表.INI" ] || fail "$b wrote a payload that did not parse"; done

onset() { grep -P "\trang\t$2\t" "$work/$1"/日志/*.tsv | grep -oP 'onset \K-?\d+' | head -n 1; }
rang_everywhere() { for b in "${buildings[@]}"; do logged "$b" "\\trang\\t$1\\t春季作息表\\t1\\t" || return 1; done; }
wait_for 1200 rang_everywhere "$t1" || fail "not every building rang at $t1"
onsets=()
for b in "${buildings[@]}"; do onsets+=("$(onset "$b" "$t1")"); done
spread=$(printf '%s\n' "${onsets[@]}" | sort -n | awk 'NR==1{lo=$1} {hi=$1} END{print hi-lo}')
echo "onsets at $t1: ${onsets[*]} ms (spread $spread ms)"
[ "$spread" -le 100 ] || fail "the buildings rang more than 100 ms apart"

# A building's credentials publish a 50 MB status: the office drops it unread and goes on.
head -c 50000000 /dev/zero | tr '\0' 'x' > "$work/huge-status"
mosquitto_pub -h 127.0.0.1 -p "$port" -u b1 -P b1-secret -t "ringvale/$campus/status/b1" -r -q 1 -f "$work/huge-status"
wait_for 100 logged office 'status/b1 of 50000000 bytes was dropped unread' || fail "the office did not drop a 50 MB status"

# A file only the office has: --play sends it, every building plays it and says so.
cp "$data/square_b.wav" "$work/music/office-only.wav"
command_as_office() {
    RINGVALE_HOME="$work/office-commands" "$exe" $(campus_link office) --publish "$@"
}
mkdir -p "$work/office-commands"
answers="$(command_as_office --play "$work/music/office-only.wav")" || fail "--play failed: $answers"
echo "$answers"
for b in "${buildings[@]}"; do
    grep -qP "^$b\tplayed\t-?\d+$" <<< "$answers" || fail "$b did not answer that it played"
done

# An alarm, then a save in the office: every building stores it and keeps sounding until stopped.
answers="$(command_as_office --alarm "$work/music/bell.wav")" || fail "--alarm failed: $answers"
size() { stat -c %s "$work/$1.raw" 2>/dev/null || echo 0; }
save "$(rule "$t1" "$t2")$(rule "06:00:00" "")"
wait_for 30 same_everywhere || fail "the save during the alarm did not reach every building"
declare -A before
for b in "${buildings[@]}"; do before[$b]=$(size "$b"); done
grew() { for b in "${buildings[@]}"; do [ "$(size "$b")" -gt $((before[$b] + 88200)) ] || return 1; done; }
wait_for 50 grew || fail "a building went quiet when the office saved during the alarm"
answers="$(command_as_office --stop)" || fail "--stop failed: $answers"
for b in "${buildings[@]}"; do grep -qP "^$b\tstopped$" <<< "$answers" || fail "$b did not stop"; done

# The broker goes away: every building says it is cut off and rings the following bell alone.
broker_stop
cut_off() { for b in "${buildings[@]}"; do logged "$b" 'cut off from the office' || return 1; done; }
wait_for 100 cut_off || fail "a building did not log that it is cut off"
save "$(rule "$t1" "$t2")$(rule "07:00:00" "")"
wait_for 1200 rang_everywhere "$t2" || fail "not every building rang at $t2 without the broker"

# Back again: the change made meanwhile reaches them.
broker_start || fail "the broker did not start again"
wait_for 150 same_everywhere || fail "the change made while the broker was away did not reach the buildings"

# Stopping: b1 says goodbye, b2 vanishes (its last will), b3 stops too; each logs its exit.
kill -TERM "$pid_b1"
offline() { sub "status/$1" | grep -q '^state=offline$'; }
wait_for 50 offline b1 || fail "b1's status did not turn offline when it stopped"
kill -KILL "$pid_b2"
wait_for 150 offline b2 || fail "b2's last will did not say offline"
kill -TERM "$pid_b3" "$pid_office"
ended() { ! kill -0 "$1" 2>/dev/null; }
for p in "$pid_b1" "$pid_b3" "$pid_office"; do wait_for 50 ended "$p" || fail "a service did not end on SIGTERM"; done
for n in b1 b3 office; do logged "$n" '\tsystem\t.*\texit$' || fail "$n did not log its exit"; done
echo "campus: every check passed"
