#include "core/codepage.h"
#include "core/gbktext.h"

#include <gtest/gtest.h>

using namespace ringvale;

namespace {

// A double-byte character whose trail byte is 0x5C, the byte of "\".
const std::string kBackslashTrail = "\x81\x5C";

std::string G(const char* utf8) {
    return gbkFromUtf8(utf8);
}

struct FindCase {
    std::string text, what;
    int first, last;
};

class FindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTest, FirstOnCharacterBoundaries) {
    const auto& c = GetParam();
    EXPECT_EQ(textFind(c.text, c.what), c.first);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FindTest,
    ::testing::Values(FindCase{"abcabc", "bc", 2, 5}, FindCase{"abc", "x", -1, -1}, FindCase{"", "a", -1, -1},
                      FindCase{"abc", "", -1, -1}, FindCase{G("春季作息表"), G("作息"), 5, 5},
                      // The trail byte 0x5C inside a character is not a backslash.
                      FindCase{kBackslashTrail + "ab", "\\", -1, -1},
                      FindCase{"x" + kBackslashTrail + "\\y", "\\", 4, 4},
                      FindCase{"D:\\a\\" + kBackslashTrail + ".mp3", "\\", 3, 5},
                      // A lead byte followed by "a" is one character: "a" inside it is not found.
                      FindCase{"\xB0"
                               "a"
                               "a",
                               "a", 3, 3}));

struct MiddleCase {
    std::string text;
    int start, length;
    std::string expected;
};

class MiddleTest : public ::testing::TestWithParam<MiddleCase> {};

TEST_P(MiddleTest, CutsWithoutSplittingCharacters) {
    const auto& c = GetParam();
    EXPECT_EQ(textMiddle(c.text, c.start, c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, MiddleTest,
                         ::testing::Values(MiddleCase{"abcdef", 2, 3, "bcd"},
                                           MiddleCase{"abcdef", 4, 100, "def"}, MiddleCase{"abc", 0, 2, ""},
                                           MiddleCase{"abc", 4, 1, ""}, MiddleCase{"abc", 1, 0, ""},
                                           MiddleCase{"abc", 1, -3, ""}, MiddleCase{"", 1, 1, ""},
                                           MiddleCase{G("a春b"), 2, 2, G("春")},
                                           // A length that ends inside a character leaves it out.
                                           MiddleCase{G("a春b"), 1, 2, "a"}));

struct SplitCase {
    std::string text, separator;
    std::vector<std::string> pieces;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, KeepsInnerEmptyPiecesButNoTrailingOne) {
    const auto& c = GetParam();
    EXPECT_EQ(textSplit(c.text, c.separator), c.pieces);
}

using V = std::vector<std::string>;
INSTANTIATE_TEST_SUITE_P(
    Texts, SplitTest,
    ::testing::Values(SplitCase{"", ";", V{}}, SplitCase{"a", ";", V{"a"}},
                      SplitCase{"a;b", ";", V{"a", "b"}}, SplitCase{";a", ";", V{"", "a"}},
                      SplitCase{"a;;b", ";", V{"a", "", "b"}}, SplitCase{"a;b;", ";", V{"a", "b"}},
                      SplitCase{"a;b;;", ";", V{"a", "b", ""}}, SplitCase{";", ";", V{""}},
                      SplitCase{"*", "*", V{""}}, SplitCase{"**", "*", V{"", ""}},
                      SplitCase{"a::b", "::", V{"a", "b"}},
                      // A separator byte that is the trail of a character does not split.
                      SplitCase{"a" + kBackslashTrail + "b\\c", "\\", V{"a" + kBackslashTrail + "b", "c"}},
                      SplitCase{G("甲；乙"), G("；"), V{G("甲"), G("乙")}}));

TEST(TextReplaceAll, ReplacesEveryOccurrenceOnBoundaries) {
    EXPECT_EQ(textReplaceAll("a.b.c", ".", ":"), "a:b:c");
    EXPECT_EQ(textReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(textReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(textReplaceAll(kBackslashTrail + "\\", "\\", "/"), kBackslashTrail + "/");
    EXPECT_EQ(textReplaceAll(G("十点十分"), G("十"), "10"), "10" + G("点") + "10" + G("分"));
}

TEST(TextTrim, RemovesAsciiAndFullWidthSpacesAtBothEnds) {
    const std::string wide = "\xA1\xA1";
    EXPECT_EQ(textTrim("  ab c  "), "ab c");
    EXPECT_EQ(textTrim(wide + " " + G("华容") + wide), G("华容"));
    EXPECT_EQ(textTrim(wide + wide), "");
    EXPECT_EQ(textTrim(""), "");
    // A character whose trail byte is A1, followed by A1 A1: only the real full-width space goes.
    EXPECT_EQ(textTrim("\xB0\xA1" + wide), "\xB0\xA1");
    EXPECT_EQ(textTrim("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
}

struct IntCase {
    std::string text;
    std::int32_t value;
};

class ToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ToIntTest, ReadsLeadingDigits) {
    EXPECT_EQ(textToInt(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, ToIntTest,
                         ::testing::Values(IntCase{"12", 12}, IntCase{"  7x", 7}, IntCase{"-3", -3},
                                           IntCase{"+4", 4}, IntCase{"abc", 0}, IntCase{"", 0},
                                           IntCase{"01", 1}, IntCase{"1 2", 1}, IntCase{"- 5", 0},
                                           IntCase{"99999999999", 2147483647},
                                           IntCase{"-99999999999", -2147483647 - 1}));

TEST(DisplayName, CutsAfterTheLastSeparator) {
    EXPECT_EQ(displayName("D:\\music\\bell.mp3"), "bell.mp3");
    EXPECT_EQ(displayName("/home/op/bell.mp3"), "bell.mp3");
    EXPECT_EQ(displayName("bell.mp3"), "bell.mp3");
    EXPECT_EQ(displayName("D:\\music\\"), "");
    EXPECT_EQ(displayName(""), "");
    EXPECT_EQ(displayName("C:\\a/b\\c"), "c");
    // The 0x5C trail byte of a character is not a separator.
    EXPECT_EQ(displayName("D:\\" + kBackslashTrail + ".mp3"), kBackslashTrail + ".mp3");
    EXPECT_EQ(displayName(G("D:\\音乐\\上课铃声.mp3")), G("上课铃声.mp3"));
}

} // namespace
