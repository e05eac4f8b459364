#include "core/codepage.h"
#include "core/filestore.h"
#include "core/timetableloader.h"
#include "editing/editormessages.h"
#include "editing/ruleeditor.h"
#include "fakes.h"
#include "records.h"
#include "support.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class RuleEditorTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override { useTimetable("春季作息表.INI"); }

    void useTimetable(const char* name) { state.timetablePath = fromFileName(dir.path() / name); }
    void writeTimetable(const std::string& bytes) {
        ASSERT_TRUE(writeFileAtomic(toFileName(state.timetablePath), bytes));
    }
    std::string file() const { return readWholeFile(toFileName(state.timetablePath)).bytes; }
    void load() { loadTimetable(context); }
    void open(EditorState::Mode mode, int row = -1) {
        editor.mode = mode;
        editing.init(view, row);
    }
    void fill(const std::string& path, const std::string& time1) {
        view.current.musicPath = path;
        view.current.times[0] = time1;
    }

    TempDir dir;
    EditorState editor;
    FakeDialogs dialogs;
    RuleEditor editing{context, editor, dialogs};
    FakeEditorView view;
};

const std::string kA = record("a.mp3", "1", "0111110", {"08:00:00"});
const std::string kB = record("b.mp3", "2", "0111110", {"09:00:00"});
const std::string kC = record("c.mp3", "1", "1000001", {"10:00:00"});

TEST_F(RuleEditorTest, SavingWithOnlyTheFirstTimeWritesTheExactRecord) {
    open(EditorState::Mode::Add);
    fill("D:\\bell.mp3", "08:00:00");
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), "*{D:\\bell.mp3;1;0;1;1;1;1;1;0;08:00:00;" + std::string(20, ';') + "}\r\n");
    EXPECT_EQ(state.rules.size(), 2u); // reloaded
    EXPECT_TRUE(state.running);
    EXPECT_EQ(view.current.musicPath, "");
    EXPECT_EQ(view.current.times[0], "");
}

TEST_F(RuleEditorTest, TwoSavesInAddModeKeepCountAndWeekdays) {
    open(EditorState::Mode::Add);
    fill("a.mp3", "08:00:00");
    view.current.countText = "3";
    view.current.days = {true, false, false, false, false, false, true};
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(view.current.countText, "3");
    fill("b.mp3", "09:00:00");
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(),
              record("a.mp3", "3", "1000001", {"08:00:00"}) + record("b.mp3", "3", "1000001", {"09:00:00"}));
}

TEST_F(RuleEditorTest, ModifyingRowTwoReplacesExactlyThatRecord) {
    writeTimetable(kA + kB + kC);
    load();
    open(EditorState::Mode::Modify, 2);
    EXPECT_EQ(view.current.musicPath, "b.mp3");
    EXPECT_EQ(view.current.countText, "2");
    EXPECT_EQ(view.current.times[0], "09:00:00");
    view.current.times[1] = "09:30:00";
    ASSERT_TRUE(editing.save(view));
    const std::string changed = record("b.mp3", "2", "0111110", {"09:00:00", "09:30:00"});
    EXPECT_EQ(file(), kA + changed + kC + "\r\n");
    EXPECT_EQ(editor.mode, EditorState::Mode::Add);

    open(EditorState::Mode::Modify, 2);
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), kA + changed + kC + "\r\n\r\n");
    EXPECT_EQ(table.rows.size(), 3u);
}

TEST_F(RuleEditorTest, AFileStartingWithAnEmptyLineKeepsIt) {
    writeTimetable("\r\n" + kB + kC);
    load();
    open(EditorState::Mode::Modify, 1);
    view.current.countText = "5";
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), "\r\n" + record("b.mp3", "5", "0111110", {"09:00:00"}) + kC + "\r\n");
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0][1], "b.mp3");
    EXPECT_EQ(state.rules[1].playCount, 5);
}

TEST_F(RuleEditorTest, TheTwoRefusalsChangeNothing) {
    writeTimetable(kA);
    open(EditorState::Mode::Add);
    fill("", "08:00:00");
    EXPECT_FALSE(editing.save(view));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{messages::noMusicChosen()});
    fill("x.mp3", "\xA1\xA1 ");
    view.current.times[3] = "10:00:00";
    EXPECT_FALSE(editing.save(view));
    EXPECT_EQ(dialogs.errors.back(), messages::noTimeEntered());
    EXPECT_EQ(view.firstTimeFocused, 1);
    EXPECT_EQ(view.current.musicPath, "x.mp3");
    EXPECT_EQ(view.current.times[3], "10:00:00");
    EXPECT_EQ(file(), kA);
    EXPECT_EQ(playback.stops, 0);
}

TEST_F(RuleEditorTest, AnUnreadableFileIsNeverOverwritten) {
    std::filesystem::create_directory(toFileName(state.timetablePath));
    open(EditorState::Mode::Add);
    fill("x.mp3", "08:00:00");
    EXPECT_FALSE(editing.save(view));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{messages::unreadableTimetable()});
    EXPECT_TRUE(std::filesystem::is_directory(toFileName(state.timetablePath)));
    EXPECT_EQ(view.current.musicPath, "x.mp3"); // nothing typed is lost
}

TEST_F(RuleEditorTest, RulesDeletedWhileTheEditorIsOpenDoNotComeBack) {
    writeTimetable(kA + kB);
    load();
    open(EditorState::Mode::Add);
    writeTimetable(kA); // b deleted from the main window meanwhile
    load();
    fill("new.mp3", "11:00:00");
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), kA + record("new.mp3", "1", "0111110", {"11:00:00"}));
}

TEST_F(RuleEditorTest, AClearWhileModifyingRefusesInsteadOfResurrecting) {
    writeTimetable(kA + kB);
    load();
    open(EditorState::Mode::Modify, 2);
    writeTimetable("");
    load();
    EXPECT_FALSE(editing.save(view));
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{messages::modifiedRuleGone()});
    EXPECT_EQ(file(), "");
}

TEST_F(RuleEditorTest, ModifyFollowsItsRecordWhenAnEarlierOneWasDeleted) {
    writeTimetable(kA + kB + kC);
    load();
    open(EditorState::Mode::Modify, 3); // c
    writeTimetable("\r\n" + kB + kC);   // a deleted: c is now record 2
    load();
    view.current.countText = "4";
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), "\r\n" + kB + record("c.mp3", "4", "1000001", {"10:00:00"}) + "\r\n");
}

TEST_F(RuleEditorTest, ASwitchWhileOpenMakesTheEditorWriteTheNewTimetableOnly) {
    writeTimetable(kA + kB);
    load();
    open(EditorState::Mode::Modify, 1);
    useTimetable("第10套作息表.INI");
    load();
    editing.followTimetable(view);
    EXPECT_EQ(editor.mode, EditorState::Mode::Add);
    EXPECT_EQ(view.current.musicPath, "");
    fill("z.mp3", "12:00:00");
    ASSERT_TRUE(editing.save(view));
    EXPECT_EQ(file(), record("z.mp3", "1", "0111110", {"12:00:00"}));
    EXPECT_EQ(readWholeFile(dir.path() / "春季作息表.INI").bytes, kA + kB);
}

} // namespace
