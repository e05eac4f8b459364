#pragma once

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

} // namespace ringvale::testing
