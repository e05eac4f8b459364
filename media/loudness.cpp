#include "media/loudness.h"

#include "media/audiodecoder.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ringvale {

std::optional<Loudness> measureLoudness(const std::filesystem::path& file,
                                        const std::atomic<bool>* cancelled) {
    const AudioFormat format;
    AudioDecoder decoder;
    if (!decoder.open(file, format, cancelled))
        return std::nullopt;
    const std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> state(
        ebur128_init(static_cast<unsigned>(format.channels), static_cast<unsigned long>(format.sampleRate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK),
        [](ebur128_state* s) { ebur128_destroy(&s); });
    if (!state)
        return std::nullopt;
    std::vector<std::int16_t> samples;
    std::size_t total = 0;
    while (const std::size_t frames = decoder.decode(samples)) {
        if (ebur128_add_frames_short(state.get(), samples.data(), frames) != EBUR128_SUCCESS)
            return std::nullopt;
        total += frames;
    }
    if (total == 0 || (cancelled && *cancelled))
        return std::nullopt;
    Loudness loudness;
    if (ebur128_loudness_global(state.get(), &loudness.integratedLufs) != EBUR128_SUCCESS ||
        !std::isfinite(loudness.integratedLufs))
        return std::nullopt; // silence throughout: nothing to bring up
    double peak = 0;
    for (unsigned channel = 0; channel < static_cast<unsigned>(format.channels); ++channel) {
        double channelPeak = 0;
        if (ebur128_true_peak(state.get(), channel, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    loudness.truePeakDbtp = peak > 0 ? 20 * std::log10(peak) : -120.0;
    return loudness;
}

double normalisingGainDb(const Loudness& measured, double targetLufs) {
    const double gain = targetLufs - measured.integratedLufs;
    return std::min(gain, kTruePeakCeilingDbtp - measured.truePeakDbtp);
}

} // namespace ringvale
