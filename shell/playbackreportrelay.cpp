#include "shell/playbackreportrelay.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ringvale {

struct PlaybackReportRelay::State {
    Handler handler; // touched on the user-interface thread only
};

PlaybackReportRelay::PlaybackReportRelay() : m_state(std::make_shared<State>()) {}

PlaybackReportRelay::~PlaybackReportRelay() {
    m_state->handler = nullptr;
}

std::function<void(const PlaybackReport&)> PlaybackReportRelay::reporter() const {
    return [state = m_state](const PlaybackReport& report) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [state, report] {
                if (state->handler)
                    state->handler(report);
            },
            Qt::QueuedConnection);
    };
}

void PlaybackReportRelay::setHandler(Handler handler) {
    m_state->handler = std::move(handler);
}

} // namespace ringvale
