#pragma once

#include <QObject>

namespace ringvale {

// Brings SIGTERM, SIGINT and SIGHUP (a power-off, a logout, kill, Ctrl+C) to the event loop, so the
// program ends the ordinary way: playback stopped, exit status 0. The signals are blocked in
// every thread and read from a signalfd; no library's handler can swallow them.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    // Blocks the signals in the calling thread and in every thread it starts later. Call first
    // thing in main, before any library starts a thread.
    static void blockInEveryThread();

    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool isWatching() const { return m_fd >= 0; }

signals:
    void received(int signalNumber);

private:
    void readPending();

    int m_fd = -1;
};

} // namespace ringvale
