#include "core/clocksync.h"
#include "fakes.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

TEST(ClockSyncWatch, AnUnsynchronisedClockIsSaidOnceEachTimeItStartsAndLookedAtEveryTenMinutes) {
    struct Look {
        int minute; // since the first look
        std::optional<bool> synchronised;
        std::size_t said; // entries after this look
    };
    const Look looks[] = {{0, false, 1},  {5, true, 1},          {10, false, 1}, {20, true, 1},
                          {30, false, 2}, {40, std::nullopt, 2}, {50, false, 2}};
    FakeBellLog log;
    std::optional<bool> answer;
    int queries = 0;
    ClockSyncWatch watch(log, [&] {
        ++queries;
        return answer;
    });
    const auto start = std::chrono::steady_clock::now();
    for (const Look& look : looks) {
        answer = look.synchronised;
        watch.check(start + std::chrono::minutes(look.minute));
        EXPECT_EQ(log.entries.size(), look.said) << look.minute;
    }
    EXPECT_EQ(queries, 6); // the look at minute 5 came too soon
    EXPECT_NE(log.entries[0].detail.find("the system clock is not synchronised"), std::string::npos);
}

} // namespace
