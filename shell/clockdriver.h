#pragma once

#include <QObject>

#include <chrono>
#include <functional>

class QTimer;

namespace ringvale {

// Drives the half-second tick with a single-shot precise timer that is re-armed after every
// tick for the next wall-clock half second: ticks stay 500 ms apart, never overlap, and the
// first tick of a minute comes within milliseconds of HH:MM:00. A step of the wall clock is
// followed at the next tick: the timer waits on the monotonic clock, each wait at most a period.
class ClockDriver final : public QObject {
    Q_OBJECT
public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;
    // Called with the boundary the tick was aimed at.
    using TickHandler = std::function<void(std::chrono::system_clock::time_point due)>;

    ClockDriver(QTimer& timer, TickHandler onTick, WallClock wallClock = &std::chrono::system_clock::now);

    void start(int periodMs);
    int period() const { return m_period; }
    bool isRunning() const { return m_period > 0; }

    // Milliseconds from `now` to just after the next multiple of the period.
    static int delayToNextBoundary(std::chrono::system_clock::time_point now, int periodMs);
    // The next multiple of the period after `now`.
    static std::chrono::system_clock::time_point nextBoundary(std::chrono::system_clock::time_point now,
                                                              int periodMs);

private:
    void arm();

    QTimer& m_timer;
    TickHandler m_onTick;
    WallClock m_wallClock;
    int m_period = 0;
    std::chrono::system_clock::time_point m_due;
};

} // namespace ringvale
