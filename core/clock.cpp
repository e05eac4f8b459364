#include "clock.h"

#include <ctime>

namespace ringvale {

LocalTime SystemClock::now() const {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return LocalTime{tm.tm_wday + 1, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

} // namespace ringvale
