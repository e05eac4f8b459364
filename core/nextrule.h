#pragma once

#include "core/playrule.h"
#include "core/scheduleview.h"

#include <optional>
#include <string>
#include <vector>

namespace ringvale {

// The nearest slot later today (HH:MM:SS) and its rule's music path (GBK). Among equally near
// slots the first in list order wins.
struct NextBell {
    std::string time;
    std::string musicPath;
};
std::optional<NextBell> nextBell(const std::vector<PlayRule>& rules, int weekday, int hour, int minute,
                                 int second);

// "下一条：" + the nearest slot later today + two spaces + the file name, or "下一条：" alone when
// nothing follows today. Among equally near slots the first in list order wins.
std::string nextRuleText(const std::vector<PlayRule>& rules, int weekday, int hour, int minute, int second);

// Recomputes the next-rule label for the tick's time.
void refreshNextRule(const std::vector<PlayRule>& rules, StatusBoard& status, int weekday, int hour,
                     int minute, int second);

} // namespace ringvale
