#pragma once

#include "core/belldayfiles.h"
#include "core/belllog.h"
#include "core/playback.h"

#include <functional>
#include <map>

namespace ringvale {

// The bell log as the program keeps it: stamps each entry with the clock, appends it to the
// day's file, hands it to the journal and to whoever watches (the window), and turns the
// player's reports into rang and failed entries. Used on the user-interface thread only.
class BellRecorder final : public BellLog {
public:
    using Journal = std::function<void(const BellEntry&)>;
    using Watcher = std::function<void(const BellEntry&)>;

    BellRecorder(const BellDayFiles& files, const Clock& clock, Journal journal = {});

    void record(BellEntry entry) override;
    void expectOutcome(PlayId id, BellEntry entry, std::optional<WallTime> due) override;
    void noteRinging(const BellEntry& entry) override;
    void onPlaybackReport(const PlaybackReport& report);

    // Called after every recorded entry.
    void setWatcher(Watcher watcher) { m_watcher = std::move(watcher); }
    // Told of each bell that rang, with when its first sample was placed to be heard, so that
    // it can be listened for.
    using Listen = std::function<void(const BellEntry& rang, WallTime onset)>;
    void setListen(Listen listen) { m_listen = std::move(listen); }

private:
    struct Pending {
        BellEntry entry;
        std::optional<WallTime> due;
    };
    void write(BellEntry entry);

    const BellDayFiles& m_files;
    const Clock& m_clock;
    Journal m_journal;
    Watcher m_watcher;
    Listen m_listen;
    std::map<PlayId, Pending> m_pending;
    bool m_fileFailed = false;
    bool m_ledgerFailed = false;
};

} // namespace ringvale
