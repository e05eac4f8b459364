#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ringvale {

inline constexpr int kDayCount = 7;   // index 0 = Sunday
inline constexpr int kSlotCount = 21; // time slots 时间1 … 时间21

// Where a rule rings and how much louder or quieter than the others (none: the default output at
// the loudness every bell has).
struct RuleSound {
    std::vector<std::string> outputs; // sound server sink names
    double gainDb = 0;

    bool isDefault() const { return outputs.empty() && gainDb == 0; }
    bool operator==(const RuleSound&) const = default;
};

// One rule of a loaded timetable. Texts are GBK bytes.
struct PlayRule {
    std::int32_t fired = 0;
    std::string musicPath;
    std::int32_t playCount = 0;
    std::array<std::int32_t, kDayCount> days{};
    std::array<std::string, kSlotCount> times;
    bool rainGated = false; // skipped on a day whose forecast says rain (kept beside the timetable)
    RuleSound sound;        // kept beside the timetable too

    bool operator==(const PlayRule&) const = default;
};

} // namespace ringvale
