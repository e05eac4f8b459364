# Sourced by the benchmarks: starts a private PulseAudio server with two null sinks ("ringvale"
# and "baseline") in a temporary folder, never the machine's own, and stops it on exit.
# Sets $work (the folder) and points PULSE_SERVER and SDL at the server.
work="$(mktemp -d)"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work" PULSE_RUNTIME_PATH="$work/pulse" HOME="$work"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" \
    -L "module-null-sink sink_name=ringvale" -L "module-null-sink sink_name=baseline" &
server=$!
export PULSE_SERVER="unix:$work/native" SDL_AUDIODRIVER=pulseaudio
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null
