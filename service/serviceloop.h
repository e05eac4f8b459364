#pragma once

#include "core/clock.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace ringvale {

// The service's one engine thread: runs the half-second tick at each wall-clock half second and,
// between ticks, the tasks other threads post (a player's report, a message from the office).
// It waits on the monotonic clock, each wait at most a period, so a step of the wall clock is
// followed at the next tick.
class ServiceLoop {
public:
    using Task = std::function<void()>;
    using Tick = std::function<void(WallTime due)>;
    static constexpr std::chrono::milliseconds kPeriod{500};

    // From any thread.
    void post(Task task);
    void stop();

    // Until stop(): ticks and tasks, in order, on the calling thread.
    void run(const Tick& tick);

    // The next multiple of the period after `now`.
    static WallTime nextBoundary(WallTime now);

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_tasks;
    bool m_stopping = false;
};

} // namespace ringvale
