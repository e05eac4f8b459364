#include "core/clock.h"

#include <ctime>

namespace ringvale {

LocalTime localTimeAt(WallTime instant) {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(instant.time_since_epoch()).count();
    auto seconds = sinceEpoch / 1000;
    auto millis = sinceEpoch % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return LocalTime{tm.tm_wday + 1,    tm.tm_hour,    tm.tm_min,  tm.tm_sec,
                     tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, static_cast<int>(millis)};
}

std::int64_t localMinuteNumber(const LocalTime& time) {
    using namespace std::chrono;
    const sys_days date{year{time.year} / month{static_cast<unsigned>(time.month)} /
                        day{static_cast<unsigned>(time.day)}};
    return static_cast<std::int64_t>(date.time_since_epoch().count()) * 1440 + time.hour * 60 + time.minute;
}

} // namespace ringvale
