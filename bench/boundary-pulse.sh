#!/usr/bin/env bash
# Bells at real minute boundaries through a private PulseAudio server (two null sinks, their
# monitors recorded with parec), taking turns with a cron-style mpg123 bell; then the idle CPU of
# the real program on the same server. Takes 2 x BOUNDARIES + 2 minutes.
# With CLIENTS, that many web console clients hold /api/events open and ask /api/state every
# second meanwhile, and the answers' latency is printed too.
# Usage: bench/boundary-pulse.sh [BOUNDARIES] [BUILD_DIR] [CLIENTS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/common.sh"
ringvale_install_packages pulseaudio pulseaudio-utils mpg123
boundaries="${1:-10}"
build="${2:-$root/build}"
clients="${3:-0}"
cmake --build "$build" --target bench_boundary bench_placement ringvale >/dev/null

source "$root/bench/private-pulse.sh"

# How exactly a sound is placed on an instant, 40 times in 40 s.
"$build/bench/bench_placement" 40 ringvale

ulimit -n 4096 2>/dev/null || true
QT_QPA_PLATFORM=offscreen "$build/bench/bench_boundary" "$boundaries" ringvale baseline "$clients"

# Idle CPU of the real program on the server, over 30 s with nothing due.
home="$work/home"
mkdir -p "$home"
RINGVALE_HOME="$home" QT_QPA_PLATFORM=offscreen PULSE_SINK=ringvale RINGVALE_WEATHER_HOST=127.0.0.1:1 \
    XDG_CONFIG_HOME="$work/config" "$build/ringvale" 2>/dev/null &
app=$!
sleep 5
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
start="$(ticks)"
sleep 30
end="$(ticks)"
rss="$(awk '/VmRSS/ {print $2}' "/proc/$app/status")"
kill "$app"
wait "$app" || true
hz="$(getconf CLK_TCK)"
awk -v t=$((end - start)) -v hz="$hz" -v rss="$rss" 'BEGIN {
    printf "%-52s %8.2f %% of a core (target < 0.5 %%)\n", "ringvale idle on PulseAudio (device shut between bells)", 100 * t / hz / 30
    printf "%-52s %8.1f MB (target < 80 MB)\n", "ringvale resident memory", rss / 1024 }'
