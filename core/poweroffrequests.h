#pragma once

#include "core/clocktick.h"

#include <chrono>
#include <functional>
#include <memory>

namespace ringvale {

// Carries power-off requests away from the clock's thread. The command (which waits for
// systemctl) runs on a thread of its own; at most one runs at a time, and after a refusal the
// next is made only once kRetryInterval has passed, not on every tick of the minute.
class PowerOffRequests final : public PowerSwitch {
public:
    using Command = std::function<bool()>; // blocks; true when the power-off was accepted
    using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds kRetryInterval{5};

    explicit PowerOffRequests(Command command, SteadyNow now = &std::chrono::steady_clock::now);
    // Waits a short while for a request still running, then leaves it to end on its own.
    ~PowerOffRequests() override;
    PowerOffRequests(const PowerOffRequests&) = delete;
    PowerOffRequests& operator=(const PowerOffRequests&) = delete;

    void requestPowerOff() override;

    // Requests started so far; true while one runs (for tests).
    int startedCount() const;
    bool isOutstanding() const;

private:
    struct Shared;
    Command m_command;
    SteadyNow m_now;
    std::shared_ptr<Shared> m_shared;
};

} // namespace ringvale
