#include "shell/terminationsignals.h"

#include "service/terminationwatch.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace ringvale {

void TerminationSignals::blockInEveryThread() {
    const sigset_t set = terminationSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    const sigset_t set = terminationSignalSet();
    m_fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        qWarning("ringvale: cannot watch for SIGTERM, SIGINT and SIGHUP");
        return;
    }
    auto* notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
}

TerminationSignals::~TerminationSignals() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void TerminationSignals::readPending() {
    signalfd_siginfo info{};
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        emit received(static_cast<int>(info.ssi_signo));
}

} // namespace ringvale
