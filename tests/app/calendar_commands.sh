#!/usr/bin/env bash
# The command line over a program directory: a holiday feed served on 127.0.0.1 is previewed,
# subscribed and unsubscribed; a makeup Saturday rings the weekday bells; a timetable goes to a
# spreadsheet and back byte for byte, and a bad spreadsheet writes nothing.
set -euo pipefail
exe="$(realpath "$1")"
work="$(mktemp -d)"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
export RINGVALE_HOME="$work/home"
mkdir -p "$RINGVALE_HOME" "$work/www"
fail() { echo "FAIL: $*" >&2; exit 1; }
gbk() { iconv -f UTF-8 -t GB18030; }
printf '*{/srv/bell, "a".wav;1;0;1;1;1;1;1;0;08:00:00;12:00:00;;;;;;;;;;;;;;;;;;;;}\r\n' | gbk > "$RINGVALE_HOME/春季作息表.INI"

year=$(date +%Y)
saturday=$(date -d "next saturday + 7 days" +%Y%m%d)
monday=$(date -d "next monday + 7 days" +%Y%m%d)
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:%s\r\nSUMMARY:调休上班\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:%s\r\nSUMMARY:校庆\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
    "$saturday" "$monday" > "$work/www/cn.ics"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/www" >/dev/null 2>&1 &
server=$!
source "$(dirname "$0")/waitfor.sh"
wait_for 100 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null || fail "the feed server did not start"
url="http://127.0.0.1:$port/cn.ics"

sat=$(date -d "$saturday" +%F) mon=$(date -d "$monday" +%F)
"$exe" --subscribe-holidays "$url" --dry-run > "$work/preview"
grep -qP "^$sat\tselected timetable\tselected timetable as 周一$" "$work/preview" || fail "preview: $(cat "$work/preview")"
grep -qP "^$mon\tselected timetable\tno-bells 校庆$" "$work/preview" || fail "preview: $(cat "$work/preview")"
[ ! -e "$RINGVALE_HOME/校历.INI" ] || fail "a dry run wrote the calendar"

"$exe" --subscribe-holidays "$url" | grep -qx "subscribed http://127.0.0.1:$port/…" || fail "not subscribed"
[ "$("$exe" --rings-on "$sat")" = "$(printf 'timetable\t春季作息表\tas\t周一\n08:00:00\tbell, "a".wav\t1\n12:00:00\tbell, "a".wav\t1')" ] ||
    fail "makeup Saturday: $("$exe" --rings-on "$sat")"
[ "$("$exe" --rings-on "$mon")" = "$(printf 'no-bells\t校庆')" ] || fail "holiday: $("$exe" --rings-on "$mon")"
"$exe" --unsubscribe-holidays "$url" >/dev/null
[ "$("$exe" --rings-on "$mon" | head -n 1)" = "$(printf 'timetable\t春季作息表')" ] || fail "unsubscribed holiday still holds"
kill "$server"; server=""
"$exe" --subscribe-holidays "$url" 2>"$work/err" && fail "a feed that cannot be fetched was subscribed"
grep -q "not subscribed" "$work/err" || fail "no reason: $(cat "$work/err")"

timetable="$RINGVALE_HOME/春季作息表.INI" summer="$RINGVALE_HOME/夏季作息表.INI"
"$exe" --export-timetable 0 "$work/a.csv"
"$exe" --import-timetable 1 "$work/a.csv" >/dev/null
cmp "$timetable" "$summer" || fail "the round trip changed the timetable"
printf 'x.wav,1\r\n' >> "$work/a.csv"
"$exe" --import-timetable 1 "$work/a.csv" 2>"$work/err" && fail "a bad row was taken"
grep -q "row 3: no time in 时间1; nothing written" "$work/err" || fail "bad row: $(cat "$work/err")"
cmp "$timetable" "$summer" || fail "a refused import wrote"
"$exe" --import-timetable 17 "$work/a.csv" 2>/dev/null && fail "timetable 17 was taken"
echo "ok"
