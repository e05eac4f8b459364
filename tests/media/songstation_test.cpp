#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "fakes.h"
#include "fixtures.h"
#include "media/songstation.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <map>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class FakeBoard : public SongBoard {
public:
    std::string slotCaption(int slot) const override {
        auto it = captions.find(slot);
        return it == captions.end() ? std::string() : it->second;
    }
    void setSlotCaption(int slot, std::string_view caption) override {
        captions[slot] = std::string(caption);
        problems.erase(slot);
    }
    void markSlotProblem(int slot, std::string_view reason) override { problems[slot] = reason; }
    std::map<int, std::string> captions;
    std::map<int, std::string> problems;
};

class SongStationTest : public ::testing::Test {
protected:
    std::string saved(int slot) const { return config.read(settings::songSection(), std::to_string(slot)); }

    TempDir dir;
    AppConfig config{dir.path()};
    FakePlayback playback;
    FakeBoard board;
    FakeStatusBoard status;
    FakeDialogs dialogs;
    FakeBellLog log;
    SongStation station{config, playback, board, status, dialogs, log};
};

TEST_F(SongStationTest, ChoosingFillsTheSlotWithoutPlaying) {
    dialogs.chosenFile = gbkFromUtf8("/srv/铃声/上课铃声.mp3");
    station.onLeftPress(7);
    EXPECT_EQ(dialogs.filters, std::vector<std::string>{gbkFromUtf8("音乐文件|*.MP3")});
    EXPECT_EQ(saved(7), gbkFromUtf8("/srv/铃声/上课铃声.mp3"));
    EXPECT_EQ(board.slotCaption(7), gbkFromUtf8("上课铃声.mp3"));
    EXPECT_TRUE(playback.plays.empty());
    EXPECT_EQ(playback.stops, 0);
}

TEST_F(SongStationTest, CancellingChangesNothing) {
    station.onLeftPress(3);
    dialogs.chosenFile = "";
    station.onLeftPress(3);
    EXPECT_EQ(board.slotCaption(3), "");
    EXPECT_FALSE(fileExists(config.path()));
}

TEST_F(SongStationTest, AFilledSlotPlaysOnceFromTheSavedPathEachTime) {
    ASSERT_TRUE(config.write(settings::songSection(), "3", "/srv/three.mp3"));
    ASSERT_TRUE(config.write(settings::songSection(), "5", "/srv/five.mp3"));
    station.restoreSlots();
    station.onLeftPress(5);
    station.onLeftPress(3);
    station.onLeftPress(3);
    EXPECT_EQ(playback.plays, (std::vector<FakePlayback::Call>{
                                  {1, "/srv/five.mp3"}, {1, "/srv/three.mp3"}, {1, "/srv/three.mp3"}}));
    EXPECT_EQ(playback.stops, 3);
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:three.mp3"));
    EXPECT_TRUE(dialogs.filters.empty());
}

TEST_F(SongStationTest, RightPressEmptiesTheSlotAndLetsItPlayOn) {
    ASSERT_TRUE(config.write(settings::songSection(), "4", "/srv/four.mp3"));
    station.restoreSlots();
    station.onLeftPress(4);
    station.onRightPress(4);
    EXPECT_EQ(board.slotCaption(4), "");
    EXPECT_EQ(playback.stops, 1); // only the play's own stop
    EXPECT_NE(readWholeFile(config.path()).bytes.find(gbkFromUtf8("[点歌台]\r\n4=\r\n")), std::string::npos);
    station.onRightPress(9); // an empty slot still writes its empty value
    EXPECT_NE(readWholeFile(config.path()).bytes.find("9=\r\n"), std::string::npos);
}

TEST_F(SongStationTest, ACaptionWhoseSavedPathWentOnlyStops) {
    board.setSlotCaption(2, "gone.mp3");
    station.onLeftPress(2);
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(playback.plays, (std::vector<FakePlayback::Call>{{1, ""}}));
    EXPECT_EQ(status.status, gbkFromUtf8("正在播放:"));
}

TEST_F(SongStationTest, RestoringShowsFileNamesCutAtTheTrueLastBackslash) {
    ASSERT_TRUE(config.write(settings::songSection(), "1", "D:\\music\\bell.mp3"));
    ASSERT_TRUE(config.write(settings::songSection(), "2",
                             "D:\\music\\\x81\x5C"
                             "a.mp3"));
    ASSERT_TRUE(config.write(settings::songSection(), "20", "plain.mp3"));
    station.restoreSlots();
    EXPECT_EQ(board.slotCaption(1), "bell.mp3");
    EXPECT_EQ(board.slotCaption(2), "\x81\x5C"
                                    "a.mp3");
    EXPECT_EQ(board.slotCaption(20), "plain.mp3");
    EXPECT_EQ(board.slotCaption(10), "");
    EXPECT_EQ(board.captions.size(), 20u);
}

} // namespace

TEST_F(SongStationTest, RestoringMarksAndLogsSlotsWhoseFileCannotBeOpened) {
    ASSERT_TRUE(config.write(settings::songSection(), "3", fixture("square_a.wav")));
    ASSERT_TRUE(config.write(settings::songSection(), "5", fixture("nothing-here.mp3")));
    ASSERT_TRUE(config.write(settings::songSection(), "6", fromFileName(dir.path())));
    station.restoreSlots();
    EXPECT_EQ(board.problems, (std::map<int, std::string>{{5, "not found"}, {6, "not a regular file"}}));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].detail, "song station slot 5: music file not found");
    EXPECT_EQ(log.entries[0].file, utf8FromGbk(fixture("nothing-here.mp3")));
}
