#!/usr/bin/env bash
# A building on a mosquitto broker whose certificate (for "localhost") a school's own authority
# signed: named with --campus-ca, the building connects; without it, or by a name the
# certificate does not hold, it says why in words an operator can act on. All on 127.0.0.1.
set -euo pipefail
exe="$(realpath "$1")"
work="$(mktemp -d)"
broker="" pid=""
trap 'kill -KILL $broker $pid 2>/dev/null; rm -rf "$work"' EXIT
source "$(dirname "$0")/waitfor.sh"
fail() { echo "FAIL: $*"; cat "$work"/home/日志/*.tsv "$work"/broker.err 2>/dev/null | tail -n 30; exit 1; }

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "/CN=Test School CA" -keyout ca.key -out ca.pem 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout server.key -out server.csr 2>/dev/null
printf 'subjectAltName=DNS:localhost\n' > san.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile san.ext \
    -out server.pem 2>/dev/null
mosquitto_passwd -c -b passwd b1 b1-secret 2>/dev/null
(umask 077 && echo b1-secret > b1.password)

listening() { grep -q "listen socket on port $port" broker.err; }
for _ in $(seq 20); do
    port=$((20000 + RANDOM % 40000))
    cat > mosquitto.conf <<CONF
listener $port 127.0.0.1
allow_anonymous false
password_file $work/passwd
cafile $work/ca.pem
certfile $work/server.pem
keyfile $work/server.key
persistence false
log_dest stderr
CONF
    [ "$(id -u)" != 0 ] || echo "user root" >> mosquitto.conf
    mosquitto -c mosquitto.conf > broker.err 2>&1 &
    broker=$!
    wait_for 50 listening && break
    kill -KILL "$broker" 2>/dev/null || true
    broker=""
done
[ -n "$broker" ] || fail "no broker could be started"

mkdir -p home
logged() { grep -qP "$1" home/日志/*.tsv 2>/dev/null; }
building() { # HOST [ARGS...]: a building until it logs PATTERN ($expect)
    local host="$1"
    shift
    rm -rf home/日志
    RINGVALE_HOME="$work/home" SDL_AUDIODRIVER=dummy RINGVALE_WEATHER_HOST=127.0.0.1:1 HOME="$work/home" \
        XDG_RUNTIME_DIR="$work/home" "$exe" --service --campus "mqtts://b1@$host:$port/north" \
        --campus-password-file b1.password "$@" 2> building.err &
    pid=$!
    wait_for 100 logged "$expect" || fail "the building never logged: $expect"
    kill -TERM "$pid"
    wait "$pid" || true
    pid=""
}
expect='campus: connected to the broker' building localhost --campus-ca "$work/ca.pem"
expect='signed by an authority this computer does not trust; name the school.s authority with --campus-ca' \
    building localhost
expect='certificate is not made out to 127\.0\.0\.1' building 127.0.0.1 --campus-ca "$work/ca.pem"
echo "campus TLS: every check passed"
