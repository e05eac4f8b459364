// Time normalisation on any bytes: empty or HH:MM:SS-shaped, and stable when applied again.

#include "core/timetext.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ringvale;
    const std::string typed(reinterpret_cast<const char*>(data), size);
    const std::string time = normalizeTimeText(typed);
    if (!time.empty()) {
        if (time.size() != 8 || time[2] != ':' || time[5] != ':')
            std::abort();
        if (normalizeTimeText(time) != time)
            std::abort();
        if (secondsBetween(time, time) != 0)
            std::abort();
    }
    const std::size_t half = size / 2;
    (void)secondsBetween(typed.substr(0, half), typed.substr(half));
    return 0;
}
