#pragma once

#include "core/belllog.h"

namespace ringvale {

// Sends the entry to the systemd journal (SYSLOG_IDENTIFIER=ringvale, a readable MESSAGE, a
// priority by event, and RINGVALE_EVENT, RINGVALE_DUE and RINGVALE_FILE fields). Where there is
// no journal the entry goes nowhere; the day's file still has it.
void sendToJournal(const BellEntry& entry);

// The readable line the journal shows for the entry.
std::string journalMessage(const BellEntry& entry);

} // namespace ringvale
