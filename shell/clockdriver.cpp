#include "shell/clockdriver.h"

#include <QTimer>

namespace ringvale {

namespace {
// Timers never fire early, but a tick that lands a hair before the boundary would read the old
// second; aim just past it.
constexpr int kPastBoundaryMs = 2;
} // namespace

ClockDriver::ClockDriver(QTimer& timer, TickHandler onTick, WallClock wallClock)
    : m_timer(timer), m_onTick(std::move(onTick)), m_wallClock(std::move(wallClock)) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_onTick(m_due);
        arm();
    });
}

int ClockDriver::delayToNextBoundary(std::chrono::system_clock::time_point now, int periodMs) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const auto intoPeriod = static_cast<int>(((ms % periodMs) + periodMs) % periodMs);
    return periodMs - intoPeriod + kPastBoundaryMs;
}

std::chrono::system_clock::time_point ClockDriver::nextBoundary(std::chrono::system_clock::time_point now,
                                                                int periodMs) {
    const auto intoPeriod = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) %
                            std::chrono::milliseconds(periodMs);
    const auto start = std::chrono::time_point_cast<std::chrono::milliseconds>(now) - intoPeriod;
    return start + std::chrono::milliseconds(periodMs);
}

void ClockDriver::start(int periodMs) {
    m_period = periodMs;
    arm();
}

void ClockDriver::arm() {
    if (m_period <= 0)
        return;
    const auto now = m_wallClock();
    m_due = nextBoundary(now, m_period);
    m_timer.start(delayToNextBoundary(now, m_period));
}

} // namespace ringvale
