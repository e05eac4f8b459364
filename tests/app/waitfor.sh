# Sourced by the start-up tests. wait_for TENTHS COMMAND...: waits up to TENTHS tenths of a
# second for COMMAND to succeed.
wait_for() {
    local tenths="$1"
    shift
    for _ in $(seq "$tenths"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
