#pragma once

namespace ringvale {

// A local date and time as the scheduler reads it.
struct LocalTime {
    int weekday = 1; // 1 = Sunday … 7 = Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The wall clock, injectable so ticks can be tested against a fake.
class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

// The system's local time (localtime_r).
class SystemClock final : public Clock {
public:
    LocalTime now() const override;
};

} // namespace ringvale
