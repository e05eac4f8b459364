#pragma once

#include "core/playback.h"

#include <functional>
#include <memory>

namespace ringvale {

// Carries the player's reports from its workers to the user-interface thread. The reporter may
// be called from any thread for as long as the application object lives; the handler runs on
// the user-interface thread, and a report that arrives after the handler was cleared is dropped.
class PlaybackReportRelay {
public:
    using Handler = std::function<void(const PlaybackReport&)>;

    PlaybackReportRelay();
    ~PlaybackReportRelay();

    // For AudioPlayer::setReporter.
    std::function<void(const PlaybackReport&)> reporter() const;
    // Set and cleared on the user-interface thread.
    void setHandler(Handler handler);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace ringvale
