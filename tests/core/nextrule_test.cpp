#include "core/codepage.h"
#include "core/nextrule.h"

#include <gtest/gtest.h>

using namespace ringvale;

namespace {

PlayRule rule(const std::string& path, std::array<std::int32_t, 7> days, std::vector<std::string> times) {
    PlayRule r;
    r.musicPath = path;
    r.days = days;
    for (std::size_t k = 0; k < times.size(); ++k)
        r.times[k] = times[k];
    return r;
}

constexpr int kMonday = 2;
const std::array<std::int32_t, 7> kWeekdays = {0, 1, 1, 1, 1, 1, 0};
const std::string kPrefix = gbkFromUtf8("下一条：");

TEST(NextRule, NearestLaterSlotToday) {
    const std::vector<PlayRule> rules = {PlayRule{},
                                         rule("D:\\bell.mp3", kWeekdays, {"08:00:00", "12:00:00"})};
    EXPECT_EQ(nextRuleText(rules, kMonday, 7, 30, 0), kPrefix + "08:00:00  bell.mp3");
    EXPECT_EQ(nextRuleText(rules, kMonday, 8, 0, 0), kPrefix + "12:00:00  bell.mp3");
    EXPECT_EQ(nextRuleText(rules, kMonday, 12, 0, 1), kPrefix);
    EXPECT_EQ(nextRuleText(rules, 1, 7, 0, 0), kPrefix); // Sunday is off
}

TEST(NextRule, TiesGoToTheEarlierRuleAndSlot) {
    const std::vector<PlayRule> rules = {rule("a.mp3", kWeekdays, {"10:00:00"}),
                                         rule("b.mp3", kWeekdays, {"10:00:00", "09:00:00"})};
    EXPECT_EQ(nextRuleText(rules, kMonday, 8, 0, 0), kPrefix + "09:00:00  b.mp3");
    EXPECT_EQ(nextRuleText(rules, kMonday, 9, 30, 0), kPrefix + "10:00:00  a.mp3");
}

TEST(NextRule, ASlotLaterInTheFiringMinuteStillCounts) {
    const std::vector<PlayRule> rules = {rule("x.mp3", kWeekdays, {"08:00:30"})};
    EXPECT_EQ(nextRuleText(rules, kMonday, 8, 0, 0), kPrefix + "08:00:30  x.mp3");
}

TEST(NextRule, EveryOneOfTheTwentyOneSlotsIsSearched) {
    std::vector<std::string> times(21);
    times[20] = "16:00:00";
    const std::vector<PlayRule> rules = {rule(gbkFromUtf8("/铃声/放学.mp3"), kWeekdays, times)};
    EXPECT_EQ(nextRuleText(rules, kMonday, 15, 0, 0), kPrefix + "16:00:00  " + gbkFromUtf8("放学.mp3"));
}

} // namespace
