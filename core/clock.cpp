#include "core/clock.h"

#include <cstdio>

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

std::string localTimeText(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::int64_t localMinuteNumber(const LocalTime& time) {
    using namespace std::chrono;
    const sys_days date{year{time.year} / month{static_cast<unsigned>(time.month)} /
                        day{static_cast<unsigned>(time.day)}};
    return static_cast<std::int64_t>(date.time_since_epoch().count()) * 1440 + time.hour * 60 + time.minute;
}

LocalTime localTimeOfMinute(std::int64_t minuteNumber) {
    using namespace std::chrono;
    const std::int64_t dayNumber = minuteNumber >= 0 ? minuteNumber / 1440 : (minuteNumber - 1439) / 1440;
    const int minuteOfDay = static_cast<int>(minuteNumber - dayNumber * 1440);
    const sys_days date{days{dayNumber}};
    const year_month_day ymd{date};
    const weekday wd{date};
    LocalTime time;
    time.weekday = static_cast<int>(wd.c_encoding()) + 1;
    time.hour = minuteOfDay / 60;
    time.minute = minuteOfDay % 60;
    time.year = static_cast<int>(ymd.year());
    time.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    time.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return time;
}

bool localMinuteExists(std::int64_t minuteNumber) {
    const LocalTime wanted = localTimeOfMinute(minuteNumber);
    // Half a minute in, so neither rounding nor a leap second moves it across a boundary; either
    // reading of an ambiguous hour shows the same fields.
    for (const int dst : {0, 1}) {
        std::tm tm{};
        tm.tm_year = wanted.year - 1900;
        tm.tm_mon = wanted.month - 1;
        tm.tm_mday = wanted.day;
        tm.tm_hour = wanted.hour;
        tm.tm_min = wanted.minute;
        tm.tm_sec = 30;
        tm.tm_isdst = dst;
        const std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1))
            continue;
        if (localMinuteNumber(localTimeAt(WallTime(std::chrono::seconds(t)))) == minuteNumber)
            return true;
    }
    return false;
}

WallTime tickInstant(const Clock& clock, WallTime due) {
    const WallTime instant = clock.now();
    if (due > instant && due - instant <= kTickTrailTolerance)
        return due;
    return instant;
}

} // namespace ringvale
