#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ringvale {

// An instant of the wall clock, to the clock's full precision.
using WallTime = std::chrono::system_clock::time_point;

// A local date and time as the scheduler reads it.
struct LocalTime {
    int weekday = 1; // 1 = Sunday … 7 = Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int year = 1970;
    int month = 1; // 1 … 12
    int day = 1;   // 1 … 31
    int millisecond = 0;
};

// The local date and time of an instant (the process's time zone).
LocalTime localTimeAt(WallTime instant);

// "YYYY-MM-DD HH:MM:SS", as the program's own files keep a moment.
std::string localTimeText(const LocalTime& time);

// One number per minute of the local calendar (minutes since 1970-01-01 00:00 local), so two
// readings fall in the same minute exactly when their numbers are equal, across days and years.
std::int64_t localMinuteNumber(const LocalTime& time);

// The local date and time at the start of minute `minuteNumber` (the inverse of
// localMinuteNumber), whether or not the clock showed that minute.
LocalTime localTimeOfMinute(std::int64_t minuteNumber);

// False for a local minute the clock never shows (the hour skipped when summer time begins).
bool localMinuteExists(std::int64_t minuteNumber);

// The wall clock, injectable so ticks can be tested against a fake.
class Clock {
public:
    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
};

// The system's precise real-time clock, the one the half-second timer aligns to. (std::time()
// reads the kernel's coarse clock, which can still say second 59 just after the minute.)
// A reading this much before the boundary the timer aimed at is read as the boundary.
inline constexpr std::chrono::milliseconds kTickTrailTolerance{50};

// The instant a tick reads: the clock's, or `due` (the half-second boundary its timer aimed at)
// when the clock trails it by at most kTickTrailTolerance, so a clock a few milliseconds behind
// the timer's still reads the new minute.
WallTime tickInstant(const Clock& clock, WallTime due);

class SystemClock final : public Clock {
public:
    WallTime now() const override { return std::chrono::system_clock::now(); }
};

} // namespace ringvale
