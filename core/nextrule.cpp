#include "core/nextrule.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/timetext.h"

namespace ringvale {

std::optional<NextBell> nextBell(const std::vector<PlayRule>& rules, int weekday, int hour, int minute,
                                 int second) {
    std::int32_t best = 999999;
    std::optional<NextBell> next;
    const std::string now =
        std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second);
    const std::size_t day = static_cast<std::size_t>(weekday - 1);
    for (const PlayRule& rule : rules) {
        if (day >= rule.days.size() || rule.days[day] != 1)
            continue;
        for (const std::string& slot : rule.times) {
            if (slot.empty())
                continue;
            const std::int32_t ahead = secondsBetween(slot, now);
            if (ahead > 0 && ahead < best) {
                best = ahead;
                next = NextBell{slot, rule.musicPath};
            }
        }
    }
    return next;
}

std::string nextRuleText(const std::vector<PlayRule>& rules, int weekday, int hour, int minute, int second) {
    static const std::string kPrefix = gbkFromUtf8("下一条：");
    const auto next = nextBell(rules, weekday, hour, minute, second);
    return next ? kPrefix + next->time + "  " + displayName(next->musicPath) : kPrefix;
}

void refreshNextRule(const std::vector<PlayRule>& rules, StatusBoard& status, int weekday, int hour,
                     int minute, int second) {
    status.setNextRuleText(nextRuleText(rules, weekday, hour, minute, second));
}

} // namespace ringvale
