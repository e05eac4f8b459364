#include "core/codepage.h"

#include <gtest/gtest.h>

using namespace ringvale;

TEST(CodePage, RoundTripsChineseTextThroughGbk) {
    const std::string utf8 = "春季作息表.INI";
    const std::string gbk = gbkFromUtf8(utf8);
    EXPECT_EQ(gbk, "\xB4\xBA\xBC\xBE\xD7\xF7\xCF\xA2\xB1\xED.INI");
    EXPECT_EQ(utf8FromGbk(gbk), utf8);
}

TEST(CodePage, KeepsCharactersOutsideGbkThroughGb18030) {
    const std::string utf8 = "🔔 ß";
    EXPECT_EQ(utf8FromGbk(gbkFromUtf8(utf8)), utf8);
}

TEST(CodePage, PassesInvalidBytesThrough) {
    EXPECT_EQ(utf8FromGbk("a\xFF"
                          "b"),
              "a\xFF"
              "b");
    EXPECT_EQ(gbkFromUtf8("a\xC3"), "a\xC3");
}

TEST(CodePage, FileNamesAcceptBackslashesAndGbk) {
    EXPECT_EQ(toFileName(gbkFromUtf8("/tmp/音乐\\铃.mp3")).string(), "/tmp/音乐/铃.mp3");
    // The trail byte 0x5C of a GBK character is not a separator.
    EXPECT_EQ(toFileName("/tmp/\x81\x5C").string(), "/tmp/" + utf8FromGbk("\x81\x5C"));
    EXPECT_EQ(fromFileName("/srv/春"), gbkFromUtf8("/srv/春"));
}
