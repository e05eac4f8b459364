#include "core/journal.h"

#include <syslog.h>
#define SD_JOURNAL_SUPPRESS_LOCATION
#include <systemd/sd-journal.h>

namespace ringvale {

namespace {

int priorityOf(BellEvent event) {
    switch (event) {
    case BellEvent::Failed:
        return LOG_ERR;
    case BellEvent::Skipped:
    case BellEvent::Missed:
        return LOG_WARNING;
    case BellEvent::Rang:
    case BellEvent::Heard:
    case BellEvent::Played:
    case BellEvent::Stopped:
    case BellEvent::System:
        break;
    }
    return LOG_INFO;
}

} // namespace

std::string journalMessage(const BellEntry& entry) {
    std::string message(bellEventName(entry.event));
    if (!entry.due.empty())
        message += " " + entry.due;
    if (!entry.timetable.empty())
        message += " " + entry.timetable;
    if (entry.row > 0)
        message += " row " + std::to_string(entry.row);
    if (!entry.file.empty())
        message += " " + entry.file;
    if (!entry.detail.empty())
        message += ": " + entry.detail;
    return message;
}

void sendToJournal(const BellEntry& entry) {
    const std::string message = journalMessage(entry);
    const std::string event(bellEventName(entry.event));
    // The journal's own errors (no journal on this machine) are not the operator's concern.
    (void)sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%d", priorityOf(entry.event),
                          "SYSLOG_IDENTIFIER=ringvale", "RINGVALE_EVENT=%s", event.c_str(), "RINGVALE_DUE=%s",
                          entry.due.c_str(), "RINGVALE_FILE=%s", entry.file.c_str(), nullptr);
}

} // namespace ringvale
