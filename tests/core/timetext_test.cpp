#include "core/codepage.h"
#include "core/timetext.h"

#include <gtest/gtest.h>

using namespace ringvale;

namespace {

struct NormalizeCase {
    std::string typed; // UTF-8, converted to GBK for the call
    std::string expected;
};

class NormalizeTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeTest, GivesHhMmSsOrEmpty) {
    EXPECT_EQ(normalizeTimeText(gbkFromUtf8(GetParam().typed)), GetParam().expected) << GetParam().typed;
}

INSTANTIATE_TEST_SUITE_P(
    Typed, NormalizeTest,
    ::testing::Values(
        // Every separator, and the full-width colon.
        NormalizeCase{"10：10：10", "10:10:10"}, NormalizeCase{"10.10.10", "10:10:10"},
        NormalizeCase{"10+10+10", "10:10:10"}, NormalizeCase{"10*10*10", "10:10:10"},
        NormalizeCase{"10 10 10", "10:10:10"}, NormalizeCase{"10,10,10", "10:10:10"},
        NormalizeCase{"10-10-10", "10:10:10"}, NormalizeCase{"10/10/10", "10:10:10"},
        NormalizeCase{"10\\10\\10", "10:10:10"},
        // Full-width digits, full stop, ideographic space, tilde is no separator, the star signs are.
        NormalizeCase{"１０．３０", "10:30:00"}, NormalizeCase{"８　５", "08:05:00"},
        NormalizeCase{"8★5☆1", "08:05:01"}, NormalizeCase{"8~5", ""},
        NormalizeCase{"８：０５：０９", "08:05:09"},
        // Padding and the parts.
        NormalizeCase{"8:5", "08:05:00"}, NormalizeCase{"8:5:3", "08:05:03"},
        NormalizeCase{"10:10:", "10:10:00"}, NormalizeCase{"0:0:0", "00:00:00"},
        NormalizeCase{"23:59:59", "23:59:59"}, NormalizeCase{"9:00:00:15", "09:00:00"},
        NormalizeCase{"17.30", "17:30:00"},
        // Upper bounds only, and the 8-byte test.
        NormalizeCase{"24:00:00", ""}, NormalizeCase{"12:60:00", ""}, NormalizeCase{"12:00:60", ""},
        NormalizeCase{"25:00", ""}, NormalizeCase{"10::10", ""}, NormalizeCase{" 8:00", ""},
        NormalizeCase{"123:4:5", ""}, NormalizeCase{"ab:cd", "ab:cd:00"},
        NormalizeCase{"1a:2b:3c", "1a:2b:3c"}, NormalizeCase{"10", ""}, NormalizeCase{"", ""},
        NormalizeCase{":", ""}, NormalizeCase{"8.5", "08:05:00"}, NormalizeCase{"08:005", ""},
        NormalizeCase{"十点", ""}));

TEST(NormalizeTimeText, OnlySingleByteCharactersMakeATime) {
    // Found by fuzzing: a lead byte left alone in a part gave an 8-byte text that was no time,
    // and changed again when normalised a second time.
    EXPECT_EQ(normalizeTimeText("9 \xFB"), "");
    EXPECT_EQ(normalizeTimeText("\xB0:1:2"), "");
    EXPECT_EQ(normalizeTimeText(gbkFromUtf8("十:1:2")), "");
    // Parts of the wrong lengths that add up to eight bytes, and control characters.
    EXPECT_EQ(normalizeTimeText(" \x12"
                                "1mz"),
              "");
    EXPECT_EQ(normalizeTimeText(":123a"), "");
    EXPECT_EQ(normalizeTimeText("1\t:2"), "");
}

TEST(SecondsBetween, DifferenceOfThreePartTimes) {
    EXPECT_EQ(secondsBetween("08:00:00", "7:59:0"), 60);
    EXPECT_EQ(secondsBetween("08:00:00", "8:0:0"), 0);
    EXPECT_EQ(secondsBetween("07:00:00", "8:0:0"), -3600);
    EXPECT_EQ(secondsBetween("8:00", "8:0:0"), -1);
    EXPECT_EQ(secondsBetween("08:00:00", "8:00"), -1);
    EXPECT_EQ(secondsBetween("23:59:59", "0:0:0"), 86399);
    EXPECT_EQ(secondsBetween("1:2:3:4", "0:0:0"), -1);
}

} // namespace
