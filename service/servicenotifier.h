#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace ringvale {

// Tells systemd how the service is (a unit of Type=notify): ready after its first tick, alive
// from the tick itself (so a clock that is stuck stops the watchdog messages and systemd restarts
// the service), and what rings next. Without $NOTIFY_SOCKET every call does nothing.
class ServiceNotifier {
public:
    ServiceNotifier();

    // After each tick: READY=1 the first time, WATCHDOG=1 at least four times per watchdog
    // period (when systemd asked for a watchdog), STATUS= when the text changed.
    void ticked(const std::string& status);

private:
    bool m_ready = false;
    std::uint64_t m_watchdogUsec = 0;
    std::chrono::steady_clock::time_point m_lastAlive;
    std::string m_status;
};

} // namespace ringvale
