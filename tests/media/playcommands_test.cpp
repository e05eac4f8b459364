#include "core/codepage.h"
#include "fakes.h"
#include "media/playcommands.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class PlayCommandsTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override {
        // As loaded from a well-formed file with two rules: element 0 is the empty text before them.
        state.rules.resize(3);
        state.rules[1].musicPath = gbkFromUtf8("D:\\铃声\\上课.mp3");
        state.rules[1].playCount = 2;
        state.rules[2].musicPath = "/srv/b.mp3";
        state.rules[2].playCount = 0;
    }
};

TEST_F(PlayCommandsTest, PlayNowPlaysTheCursorRowsRule) {
    table.cursorRow = 1;
    playNow(context);
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(playback.plays, (std::vector<FakePlayback::Call>{{2, gbkFromUtf8("D:\\铃声\\上课.mp3")}}));
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:上课.mp3"));
}

TEST_F(PlayCommandsTest, CountZeroRuleStillShowsItsName) {
    table.cursorRow = 2;
    playNow(context);
    EXPECT_EQ(playback.plays, (std::vector<FakePlayback::Call>{{0, "/srv/b.mp3"}}));
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:b.mp3"));
}

TEST_F(PlayCommandsTest, HeaderRowLeadsToTheEmptyFirstElement) {
    table.cursorRow = 0;
    playNow(context);
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(playback.plays, (std::vector<FakePlayback::Call>{{0, ""}}));
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:"));
}

TEST_F(PlayCommandsTest, RowWithoutAnElementOnlyStops) {
    for (int row : {3, -1}) {
        FakePlayback fresh;
        ScheduleContext c{state, table, status, fresh, log};
        status.status = "before";
        table.cursorRow = row;
        playNow(c);
        EXPECT_EQ(fresh.stops, 1);
        EXPECT_TRUE(fresh.plays.empty());
        EXPECT_EQ(status.status, "before");
    }
}

TEST_F(PlayCommandsTest, StopPlayingAlwaysSaysSo) {
    stopPlaying(context);
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:播放停止"));
}

} // namespace
