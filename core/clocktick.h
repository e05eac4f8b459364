#pragma once

#include "clock.h"
#include "schedulecontext.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ringvale {

// What the tick needs of the window beyond the table and the status labels.
class TickView {
public:
    virtual ~TickView() = default;
    virtual void setElapsedText(std::string_view text) = 0;
    virtual bool isShutdownTicked() const = 0;
};

// Powers the computer off, forced. False when the request was refused.
class PowerSwitch {
public:
    virtual ~PowerSwitch() = default;
    virtual bool powerOffForced() = 0;
};

// "D天HH时MM分SS秒" for a count of half-second ticks (halves round up).
std::string elapsedText(std::int32_t tickCount);

// The half-second clock tick: advances the elapsed time and, while the system runs, fires at
// most one due rule, asks for the automatic shutdown when its minute has come, and refreshes
// the next-rule label when it is stale.
class ClockTick {
public:
    ClockTick(ScheduleContext& context, TickView& view, const Clock& clock, PowerSwitch& power);

    void onClockTick();

private:
    // Fires the first due rule of minute prefix p; true when one fired.
    bool fireDueRule(const std::string& prefix, const LocalTime& now);

    ScheduleContext& m_context;
    TickView& m_view;
    const Clock& m_clock;
    PowerSwitch& m_power;
};

} // namespace ringvale
