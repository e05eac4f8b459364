#include "core/clocksync.h"

#include <sys/timex.h>

namespace ringvale {

std::optional<bool> systemClockSynchronised() {
    timex tx{};
    const int state = ::adjtimex(&tx);
    if (state == -1)
        return std::nullopt;
    return state != TIME_ERROR && (tx.status & STA_UNSYNC) == 0;
}

ClockSyncWatch::ClockSyncWatch(BellLog& log, Query query) : m_log(log), m_query(std::move(query)) {}

void ClockSyncWatch::check(std::chrono::steady_clock::time_point now) {
    if (m_lastLook && now - *m_lastLook < kPeriod)
        return;
    m_lastLook = now;
    const std::optional<bool> synchronised = m_query ? m_query() : std::nullopt;
    if (!synchronised)
        return; // the kernel cannot tell: nothing changes
    if (*synchronised) {
        m_said = false;
        return;
    }
    if (m_said)
        return;
    m_said = true;
    m_log.record(systemEntry("the system clock is not synchronised (no time service keeps it right): "
                             "every bell rings by it; set up systemd-timesyncd or chrony"));
}

} // namespace ringvale
