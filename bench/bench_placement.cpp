// How exactly the sound output places a sound on a given instant, through the sound server the
// operator hears: a short tone is placed to be heard at each of PLACEMENTS instants a second
// apart, as a bell is placed on its minute, and the sink's monitor is recorded with `parec`.
// Printed: min / median / max of the heard onset against the instant (signed; early is
// negative) and the latency the server reported. Run it through bench/boundary-pulse.sh, which
// starts a private PulseAudio server with a null sink.
//
// Usage: bench_placement PLACEMENTS SINK

#include "benchutil.h"
#include "media/pulseaudiosink.h"
#include "monitorrecorder.h"

#include <cmath>
#include <cstdio>
#include <numbers>

using namespace ringvale;
using namespace ringvale::bench;

int main(int argc, char* argv[]) {
    const int placements = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string sinkName = argc > 2 ? argv[2] : "ringvale";
    MonitorRecorder heard(sinkName);
    std::this_thread::sleep_for(seconds(2)); // parec is recording by then
    PulseAudioSink sink(sinkName);
    if (!sink.begin()) {
        std::fprintf(stderr, "bench_placement: no sound server: %s\n", sink.lastError().c_str());
        return 1;
    }
    std::vector<std::int16_t> tone;
    for (int i = 0; i < kRate / 10; ++i) {
        const auto value =
            static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 880 * i / kRate)));
        tone.insert(tone.end(), {value, value});
    }
    std::vector<WallTime> instants;
    std::vector<double> latencies;
    const std::atomic<bool> never{false};
    for (int i = 0; i < placements; ++i) {
        // Each on a whole second, asked for 1.5 s ahead, as a bell is from second 58.
        const WallTime instant = time_point_cast<seconds>(system_clock::now()) + milliseconds(1500);
        latencies.push_back(duration<double, std::milli>(sink.latency()).count());
        sink.writeAt(tone.data(), tone.size() / 2, instant, never);
        instants.push_back(instant);
        std::this_thread::sleep_until(instant + milliseconds(300));
    }
    std::this_thread::sleep_for(milliseconds(500));
    std::vector<double> onsets;
    const bool each = std::getenv("BENCH_EACH") != nullptr;
    for (const WallTime instant : instants)
        if (auto at = heard.firstLoudAfter(instant - milliseconds(400), instant + milliseconds(400))) {
            onsets.push_back(duration<double, std::milli>(*at - instant).count());
            if (each)
                std::printf("%.1f ", onsets.back());
        } else if (each) {
            std::printf("(none) ");
        }
    if (each)
        std::printf("\n");
    std::sort(onsets.begin(), onsets.end());
    std::sort(latencies.begin(), latencies.end());
    if (onsets.empty()) {
        std::printf("no onset heard\n");
        return 1;
    }
    std::printf("%-52s %8.1f %8.1f %8.1f ms  (n = %zu of %d)\n", "placed sound heard, against its instant",
                onsets.front(), median(onsets), onsets.back(), onsets.size(), placements);
    std::printf("%-52s %8.1f %8.1f %8.1f ms\n", "latency the server reported", latencies.front(),
                median(latencies), latencies.back());
    return 0;
}
