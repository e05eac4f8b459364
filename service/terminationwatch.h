#pragma once

#include <csignal>
#include <functional>
#include <pthread.h>
#include <thread>

namespace ringvale {

// SIGTERM, SIGINT and SIGHUP: a shutdown, a logout, kill, Ctrl+C, a closed terminal.
sigset_t terminationSignalSet();

// Turns SIGTERM, SIGINT and SIGHUP into a call on a thread of its own, so the program stops
// cleanly (playback stopped, the exit logged) instead of dying mid-write. Construct it before
// any other thread starts: the signals are blocked in every thread made after.
class TerminationWatch {
public:
    explicit TerminationWatch(std::function<void(int signal)> received);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    std::function<void(int)> m_received;
    std::thread m_thread;
    bool m_ending = false; // set by the destructor before it wakes the thread
};

} // namespace ringvale
