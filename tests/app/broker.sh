# Sourced by the campus test and benchmark: a private mosquitto on 127.0.0.1 with a password
# file and the ACL the README gives (the office writes the campus, a building only its status).
# broker_setup WORK CAMPUS BUILDING...: writes $WORK/passwd and $WORK/acl; every user's
# password is USER-secret. broker_start: starts it on a free port ($port, $broker).
broker_setup() {
    broker_work="$1" broker_campus="$2"
    shift 2
    mosquitto_passwd -c -b "$broker_work/passwd" office office-secret 2>/dev/null
    local b
    for b in "$@"; do mosquitto_passwd -b "$broker_work/passwd" "$b" "$b-secret"; done
    # Each user's password in a file of its own, as the program takes it (never on its command line).
    for b in office "$@"; do
        (umask 077 && echo "$b-secret" > "$broker_work/$b.password")
    done
    cat > "$broker_work/acl" <<ACL
user office
topic readwrite ringvale/$broker_campus/#

pattern read ringvale/$broker_campus/#
pattern write ringvale/+/status/%u
ACL
    port=""
    broker=""
}

broker_listening() { grep -q "listen socket on port $port" "$broker_work/broker.err"; }

broker_start_on_port() {
    cat > "$broker_work/mosquitto.conf" <<CONF
listener $port 127.0.0.1
allow_anonymous false
password_file $broker_work/passwd
acl_file $broker_work/acl
persistence false
max_packet_size 67109120
log_dest stderr
CONF
    # Run as root (CI), it would drop to the "mosquitto" user, who cannot read this folder.
    [ "$(id -u)" != 0 ] || echo "user root" >> "$broker_work/mosquitto.conf"
    mosquitto -c "$broker_work/mosquitto.conf" > "$broker_work/broker.err" 2>&1 &
    broker=$!
    wait_for 50 broker_listening
}

# A free port is one the broker could listen on; a taken one is tried again elsewhere.
broker_start() {
    if [ -n "$port" ]; then
        broker_start_on_port
        return
    fi
    local _
    for _ in $(seq 20); do
        port=$((20000 + RANDOM % 40000))
        broker_start_on_port && return 0
        kill -KILL "$broker" 2>/dev/null || true
        broker=""
    done
    return 1
}

broker_stop() {
    kill -TERM "$broker"
    wait "$broker" 2>/dev/null || true
    broker=""
}

campus_address() { echo "mqtt://$1@127.0.0.1:$port/$broker_campus"; }
# The options that join USER to the campus: its address and its password file.
campus_link() { echo "--campus $(campus_address "$1") --campus-password-file $broker_work/$1.password"; }
