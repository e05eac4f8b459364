#include "service/servicenotifier.h"

#include <systemd/sd-daemon.h>

namespace ringvale {

ServiceNotifier::ServiceNotifier() {
    std::uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0)
        m_watchdogUsec = usec;
}

void ServiceNotifier::ticked(const std::string& status) {
    const auto now = std::chrono::steady_clock::now();
    std::string message;
    if (!m_ready) {
        m_ready = true;
        message += "READY=1\n";
    }
    if (m_watchdogUsec > 0 && now - m_lastAlive >= std::chrono::microseconds(m_watchdogUsec / 4)) {
        m_lastAlive = now;
        message += "WATCHDOG=1\n";
    }
    if (status != m_status) {
        m_status = status;
        message += "STATUS=" + status + "\n";
    }
    if (!message.empty())
        sd_notify(0, message.c_str());
}

} // namespace ringvale
