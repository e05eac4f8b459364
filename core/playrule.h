#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ringvale {

inline constexpr int kDayCount = 7;   // index 0 = Sunday
inline constexpr int kSlotCount = 21; // time slots 时间1 … 时间21

// One rule of a loaded timetable. Texts are GBK bytes.
struct PlayRule {
    std::int32_t fired = 0;
    std::string musicPath;
    std::int32_t playCount = 0;
    std::array<std::int32_t, kDayCount> days{};
    std::array<std::string, kSlotCount> times;
    bool rainGated = false; // skipped on a day whose forecast says rain (kept beside the timetable)

    bool operator==(const PlayRule&) const = default;
};

} // namespace ringvale
