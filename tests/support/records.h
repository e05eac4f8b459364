#pragma once

#include "core/playrule.h"

#include <string>
#include <vector>

namespace ringvale::testing {

// A timetable record as the editor writes it: days is seven '0'/'1' characters, Sunday first.
inline std::string record(const std::string& path, const std::string& count, const std::string& days,
                          const std::vector<std::string>& times) {
    std::string r = "*{" + path + ";" + count + ";";
    for (char d : days)
        r += std::string(1, d) + ";";
    for (std::size_t k = 0; k < 21; ++k)
        r += (k < times.size() ? times[k] : std::string()) + ";";
    return r + "}\r\n";
}

// A loaded rule: days is seven '0'/'1' characters, Sunday first; times fill the first slots.
inline PlayRule playRule(const std::string& path, std::int32_t count, const std::string& days,
                         const std::vector<std::string>& times) {
    PlayRule r;
    r.musicPath = path;
    r.playCount = count;
    for (std::size_t d = 0; d < 7; ++d)
        r.days[d] = days[d] == '1';
    for (std::size_t k = 0; k < times.size(); ++k)
        r.times[k] = times[k];
    return r;
}

} // namespace ringvale::testing
