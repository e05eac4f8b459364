#pragma once

#include "core/playrule.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ringvale {

// Which music rang in which minute of the local calendar. A rule is known by its music file,
// not by its place in the list nor by its other fields, so a reload inside the minute (an editor
// save, a file changed on disk, a timetable switch and back, a restart) finds the rules that
// already rang, even with another count, other days or other times; a new rule, or one whose
// file changed, rings. Minutes are kept for two days either side of the present, so a clock set
// back never rings a minute a second time.
// A bell that rang (or was skipped) in a minute, as a restart reads it back.
struct RungBell {
    std::int64_t minute = 0; // localMinuteNumber
    std::string musicPath;   // GBK
    bool operator==(const RungBell&) const = default;
};

class RingLedger {
public:
    // Sets `fired` of each rule in `rules` due in `minute` (whose day rings as `weekday`, 1 =
    // Sunday) whose music already rang in it (matched in list order, once each) and clears it for
    // every other rule.
    void markRung(std::vector<PlayRule>& rules, std::int64_t minute, int weekday) const;
    // Notes that `musicPath` (GBK) rang in `minute`.
    void record(const std::string& musicPath, std::int64_t minute);
    // Drops what is more than two days away from `minute`.
    void forgetFarFrom(std::int64_t minute);

    bool empty() const { return m_rung.empty(); }

private:
    std::map<std::int64_t, std::vector<std::string>> m_rung;
};

} // namespace ringvale
