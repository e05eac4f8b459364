#pragma once

#include "core/clock.h"
#include "core/ringledger.h"
#include "core/schedulecontext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

// What the tick needs of the window beyond the table and the status labels.
class TickView {
public:
    virtual ~TickView() = default;
    virtual void setElapsedText(std::string_view text) = 0;
    virtual bool isShutdownTicked() const = 0;
};

// Asks for the computer to be powered off, forced. Returns at once: the request runs elsewhere.
class PowerSwitch {
public:
    virtual ~PowerSwitch() = default;
    virtual void requestPowerOff() = 0;
};

// "D天HH时MM分SS秒" for a count of half-second ticks (halves round up).
std::string elapsedText(std::int32_t tickCount);

// The half-second clock tick: advances the elapsed time and, while the system runs, fires at
// most one due rule, asks for the automatic shutdown when its minute has come, and refreshes
// the next-rule label when it is stale. A rule rings once in each minute in which it is due:
// in the first running tick of that minute, never twice, whatever reloads, stops and starts or
// clock steps come in between.
class ClockTick {
public:
    // A reading this much before the boundary the timer aimed at is read as the boundary.
    static constexpr std::chrono::milliseconds kTrailTolerance = kTickTrailTolerance;

    ClockTick(ScheduleContext& context, TickView& view, const Clock& clock, PowerSwitch& power);

    // `due` is the half-second boundary the timer aimed at (none: the clock alone decides), so a
    // clock that trails the timer's by a few milliseconds still reads the new minute.
    void onClockTick(WallTime due = {});

    // The bells that rang earlier today (read back at start, before the first tick): none of
    // them rings again in its minute.
    void remember(const std::vector<RungBell>& rung);

    // Runs the weather check in the background; called ahead of rain-gated bells.
    void setWeatherCheck(std::function<void()> check) { m_checkWeather = std::move(check); }
    // A rain-gated bell due this many minutes ahead, or fewer (but at least one), asks for a check.
    static constexpr int kWeatherAheadMinutes = 30;

    // From this second on, the output is made ready for a bell due in the next minute.
    static constexpr int kPrepareFromSecond = 58;

private:
    static constexpr std::int64_t kMinutesPerDay = 1440;
    // Logs the due rules of the minutes since the last tick that did not ring: skipped when the
    // system was stopped, missed when no tick came at all.
    void closePassedMinutes(std::int64_t minute);
    // Asks for a weather check when a rain-gated bell is due within the next half hour.
    void checkWeatherAhead(const LocalTime& now, std::int64_t minute);
    // From second 58: the bell due at the next minute is prepared, or none is.
    void prepareNextMinute(const LocalTime& now, WallTime instant);
    // A due rain-gated rule on a rain day is skipped (true); with no forecast it rings and the log
    // says the weather was unknown.
    bool skippedForRain(std::size_t element, const std::string& slot, const LocalTime& now);
    // Fires the first due rule of minute prefix p that has not rung in this minute; true when
    // one fired.
    bool fireDueRule(const std::string& prefix, const LocalTime& now, std::int64_t minute, WallTime instant);

    ScheduleContext& m_context;
    TickView& m_view;
    const Clock& m_clock;
    PowerSwitch& m_power;
    RingLedger m_ledger;
    std::optional<std::int64_t> m_lastMinute; // of the last tick
    bool m_lastRunning = false;               // the running state at the last tick
    std::function<void()> m_checkWeather;
    std::optional<std::int64_t> m_weatherCheckMinute; // when a check was last asked for
};

} // namespace ringvale
