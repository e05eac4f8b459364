#include "service/terminationwatch.h"

#include <atomic>

namespace ringvale {

sigset_t terminationSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

TerminationWatch::TerminationWatch(std::function<void(int signal)> received)
    : m_received(std::move(received)) {
    const sigset_t set = terminationSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread([this, set] {
        while (true) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0)
                continue;
            if (std::atomic_ref<bool>(m_ending).load())
                return;
            m_received(signal);
        }
    });
}

TerminationWatch::~TerminationWatch() {
    std::atomic_ref<bool>(m_ending).store(true);
    pthread_kill(m_thread.native_handle(), SIGTERM);
    m_thread.join();
}

} // namespace ringvale
