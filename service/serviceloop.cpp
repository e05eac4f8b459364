#include "service/serviceloop.h"

namespace ringvale {

void ServiceLoop::post(Task task) {
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void ServiceLoop::stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
}

WallTime ServiceLoop::nextBoundary(WallTime now) {
    const auto period = std::chrono::duration_cast<WallTime::duration>(kPeriod);
    const auto sinceEpoch = now.time_since_epoch();
    return WallTime((sinceEpoch / period + 1) * period);
}

void ServiceLoop::run(const Tick& tick) {
    WallTime due = nextBoundary(std::chrono::system_clock::now());
    while (true) {
        std::deque<Task> tasks;
        {
            std::unique_lock lock(m_mutex);
            const auto wait =
                std::min<std::chrono::nanoseconds>(due - std::chrono::system_clock::now(), kPeriod);
            m_wake.wait_for(lock, wait, [this] { return m_stopping || !m_tasks.empty(); });
            if (m_stopping)
                return;
            tasks.swap(m_tasks);
        }
        for (Task& task : tasks)
            task();
        const WallTime now = std::chrono::system_clock::now();
        if (now >= due) {
            tick(due);
            due = nextBoundary(now);
        } else if (due - now > kPeriod) {
            due = nextBoundary(now); // the wall clock went back
        }
    }
}

} // namespace ringvale
