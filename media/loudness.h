#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

namespace ringvale {

// A music file's loudness as EBU R128 measures it.
struct Loudness {
    double integratedLufs = 0; // integrated loudness
    double truePeakDbtp = 0;   // the highest true peak of any channel, dB of full scale
};

// The loudness every bell and song is brought to unless the operator sets another.
inline constexpr double kDefaultTargetLufs = -18.0;
// The highest true peak a normalised sound may reach.
inline constexpr double kTruePeakCeilingDbtp = -1.0;

// Decodes the whole file and measures it (libebur128). None when it cannot be decoded, holds no
// sound, or `cancelled` became true.
std::optional<Loudness> measureLoudness(const std::filesystem::path& file,
                                        const std::atomic<bool>* cancelled = nullptr);

// The gain in dB that brings `measured` to `targetLufs`, lowered where the true peak would pass
// the ceiling, so nothing clips.
double normalisingGainDb(const Loudness& measured, double targetLufs);

} // namespace ringvale
