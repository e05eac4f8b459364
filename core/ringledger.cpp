#include "core/ringledger.h"

#include "core/duebells.h"

namespace ringvale {

namespace {
constexpr std::int64_t kKeptMinutes = 2 * 24 * 60;
} // namespace

void RingLedger::markRung(std::vector<PlayRule>& rules, std::int64_t minute, int weekday) const {
    const auto found = m_rung.find(minute);
    std::vector<bool> consumed(found == m_rung.end() ? 0 : found->second.size(), false);
    const LocalTime time = localTimeOfMinute(minute);
    const std::string prefix = minutePrefix(time.hour, time.minute);
    for (PlayRule& rule : rules) {
        rule.fired = 0;
        // Only a rule due in the minute can have rung in it: another of the same music did not.
        if (found == m_rung.end() || !dueSlot(rule, weekday, prefix))
            continue;
        for (std::size_t i = 0; i < consumed.size(); ++i) {
            if (!consumed[i] && found->second[i] == rule.musicPath) {
                consumed[i] = true;
                rule.fired = 1;
                break;
            }
        }
    }
}

void RingLedger::record(const std::string& musicPath, std::int64_t minute) {
    m_rung[minute].push_back(musicPath);
}

void RingLedger::forgetFarFrom(std::int64_t minute) {
    std::erase_if(m_rung, [minute](const auto& entry) {
        return entry.first < minute - kKeptMinutes || entry.first > minute + kKeptMinutes;
    });
}

} // namespace ringvale
