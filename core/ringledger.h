#pragma once

#include "core/playrule.h"

#include <cstdint>
#include <map>
#include <vector>

namespace ringvale {

// Which rules rang in which minute of the local calendar. A rule is known by what it is (path,
// count, weekdays and times), not by its place in the list, so a reload inside the minute (an
// editor save, a delete, a timetable switch and back) finds the rules that already rang, and a
// new or changed rule rings. Minutes are kept for two days either side of the present, so a
// clock set back never rings a minute a second time.
class RingLedger {
public:
    // Sets `fired` of each rule in `rules` that already rang in `minute` (matched in list order,
    // once each) and clears it for every other rule.
    void markRung(std::vector<PlayRule>& rules, std::int64_t minute) const;
    // Notes that `rule` rang in `minute`.
    void record(const PlayRule& rule, std::int64_t minute);
    // Drops what is more than two days away from `minute`.
    void forgetFarFrom(std::int64_t minute);

    bool empty() const { return m_rung.empty(); }

private:
    std::map<std::int64_t, std::vector<PlayRule>> m_rung;
};

// The same rule: path, count, weekdays and times alike (the fired flag aside).
bool isSameRule(const PlayRule& a, const PlayRule& b);

} // namespace ringvale
