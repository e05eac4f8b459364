#include "core/bellrecorder.h"

#include "core/problemreport.h"

namespace ringvale {

namespace {
// Requests whose report never comes (a stop before the first samples) are forgotten after this many.
constexpr std::size_t kMostPending = 64;
} // namespace

BellRecorder::BellRecorder(const BellDayFiles& files, const Clock& clock, Journal journal)
    : m_files(files), m_clock(clock), m_journal(std::move(journal)) {}

void BellRecorder::record(BellEntry entry) {
    entry.at = localTimeAt(m_clock.now());
    write(std::move(entry));
}

void BellRecorder::expectOutcome(PlayId id, BellEntry entry, std::optional<WallTime> due) {
    if (id == 0)
        return;
    while (m_pending.size() >= kMostPending)
        m_pending.erase(m_pending.begin());
    m_pending[id] = {std::move(entry), due};
}

void BellRecorder::noteRinging(const BellEntry& entry) {
    BellEntry stamped = entry;
    stamped.at = localTimeAt(m_clock.now());
    std::string reason;
    const bool ok = m_files.appendToLedger(stamped, &reason);
    if (!ok && !m_ledgerFailed)
        record(systemEntry("the ledger of rung bells is not being kept (a restart may ring a bell again): " +
                           reason));
    m_ledgerFailed = !ok;
}

void BellRecorder::onPlaybackReport(const PlaybackReport& report) {
    const auto found = m_pending.find(report.id);
    if (found == m_pending.end())
        return;
    Pending pending = std::move(found->second);
    m_pending.erase(found);
    BellEntry entry = std::move(pending.entry);
    entry.at = localTimeAt(report.at);
    if (report.kind == PlaybackReport::Kind::Failed) {
        entry.event = BellEvent::Failed;
        entry.detail = report.detail;
    } else if (entry.event == BellEvent::Rang || pending.due) {
        const auto onset =
            pending.due ? std::chrono::duration_cast<std::chrono::milliseconds>(report.at - *pending.due)
                        : std::chrono::milliseconds(0);
        // A bell's onset is from its minute; a command from elsewhere is timed from its sending.
        entry.detail = entry.event == BellEvent::Rang
                           ? "onset " + std::to_string(onset.count()) + " ms, device " + report.detail
                           : entry.detail + ", first sample " + std::to_string(onset.count()) +
                                 " ms after it was sent, device " + report.detail;
    } else {
        return; // a play command that sounded: its played entry says all
    }
    if (entry.event == BellEvent::Rang && m_listen)
        m_listen(entry, report.at);
    write(std::move(entry));
}

void BellRecorder::write(BellEntry entry) {
    std::string reason;
    if (!m_files.append(entry, &reason)) {
        // Said once until writing works again, so a full disk does not flood the journal.
        if (!m_fileFailed)
            reportProblem("the bell log is not being kept: " + reason);
        m_fileFailed = true;
    } else {
        m_fileFailed = false;
    }
    if (m_journal)
        m_journal(entry);
    if (m_watcher)
        m_watcher(entry);
}

} // namespace ringvale
