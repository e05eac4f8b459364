#pragma once

#include "core/belllog.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace ringvale {

// Whether the kernel says the system clock is kept synchronised (NTP and the like), from
// adjtimex; nullopt when it cannot tell.
std::optional<bool> systemClockSynchronised();

// Says in the log, once each time it starts, that the system clock is not synchronised: every
// bell rings by that clock, and a campus rings together only when each building's is right.
class ClockSyncWatch {
public:
    using Query = std::function<std::optional<bool>()>;
    static constexpr std::chrono::minutes kPeriod{10};

    explicit ClockSyncWatch(BellLog& log, Query query = systemClockSynchronised);
    // Looks now, and then at most every kPeriod (called on each tick).
    void check(std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());

private:
    BellLog& m_log;
    Query m_query;
    std::optional<std::chrono::steady_clock::time_point> m_lastLook;
    bool m_said = false;
};

} // namespace ringvale
