#include "core/poweroffrequests.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace ringvale {

namespace {
constexpr std::chrono::seconds kExitGrace{2};
} // namespace

struct PowerOffRequests::Shared {
    mutable std::mutex mutex;
    std::condition_variable done;
    bool outstanding = false;
    int started = 0;
    std::optional<std::chrono::steady_clock::time_point> refusedAt;
};

PowerOffRequests::PowerOffRequests(Command command, SteadyNow now)
    : m_command(std::move(command)), m_now(std::move(now)), m_shared(std::make_shared<Shared>()) {}

PowerOffRequests::~PowerOffRequests() {
    std::unique_lock lock(m_shared->mutex);
    m_shared->done.wait_for(lock, kExitGrace, [this] { return !m_shared->outstanding; });
}

void PowerOffRequests::requestPowerOff() {
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->outstanding)
            return;
        if (m_shared->refusedAt && m_now() - *m_shared->refusedAt < kRetryInterval)
            return;
        m_shared->outstanding = true;
        ++m_shared->started;
    }
    std::thread([shared = m_shared, command = m_command, now = m_now] {
        const bool accepted = command();
        std::lock_guard lock(shared->mutex);
        shared->outstanding = false;
        if (accepted)
            shared->refusedAt.reset();
        else
            shared->refusedAt = now();
        shared->done.notify_all();
    }).detach();
}

int PowerOffRequests::startedCount() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->started;
}

bool PowerOffRequests::isOutstanding() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->outstanding;
}

} // namespace ringvale
