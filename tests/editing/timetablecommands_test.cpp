#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/timetableloader.h"
#include "editing/editormessages.h"
#include "editing/timetablecommands.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class FakeHost : public RuleEditorHost {
public:
    void openRuleEditor() override { opened.push_back(editor->mode); }
    void timetableSwitched() override { ++switches; }
    EditorState* editor = nullptr;
    std::vector<EditorState::Mode> opened;
    int switches = 0;
};

class CommandsTest : public ::testing::Test, protected FakeSchedule {
protected:
    void SetUp() override {
        host.editor = &editor;
        state.timetablePath = fromFileName(dir.path() / "春季作息表.INI");
    }
    void writeTimetable(const std::string& bytes) {
        ASSERT_TRUE(writeFileAtomic(toFileName(state.timetablePath), bytes));
    }
    std::string file() const { return readWholeFile(toFileName(state.timetablePath)).bytes; }
    void load() { loadTimetable(context); }

    TempDir dir;
    AppConfig config{dir.path()};
    EditorState editor;
    FakeDialogs dialogs;
    FakeHost host;
    TimetableCommands commands{context, editor, config, dialogs, host, fromFileName(dir.path())};
};

const std::string kA = record("a.mp3", "1", "0111110", {"08:00:00"});
const std::string kB = record("b.mp3", "2", "0111110", {"09:00:00"});

TEST_F(CommandsTest, SwitchingSavesTheIndexAndLoadsItsFile) {
    ASSERT_TRUE(writeFileAtomic(dir.path() / "第10套作息表.INI", kA));
    commands.switchTimetable(9);
    EXPECT_EQ(state.timetablePath, fromFileName(dir.path()) + "/" + gbkFromUtf8("第10套作息表.INI"));
    EXPECT_EQ(config.read(settings::systemSection(), settings::timetableKey()), "9");
    EXPECT_EQ(state.rules.size(), 2u);
    EXPECT_EQ(host.switches, 1);
}

TEST_F(CommandsTest, DeletingRemovesTheFirstEqualRecord) {
    // Identical rules in rows 2 and 5: deleting row 5 removes row 2's record text.
    const std::string same = record("same.mp3", "1", "0111110", {"10:00:00"});
    const std::string c = record("c.mp3", "1", "0111110", {}), d = record("d.mp3", "1", "0111110", {});
    writeTimetable(kA + same + c + d + same);
    load();
    table.cursorRow = 5;
    commands.deleteRule();
    EXPECT_EQ(file(), kA + "\r\n" + c + d + same);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.rows[3][1], "same.mp3");
}

TEST_F(CommandsTest, DeletingARuleChangedOnDiskDoesNotRewriteTheFile) {
    writeTimetable(kA + kB);
    load();
    writeTimetable(kB); // another copy removed row 1 meanwhile
    struct stat before {};
    ASSERT_EQ(::stat(toFileName(state.timetablePath).c_str(), &before), 0);
    table.cursorRow = 1;
    commands.deleteRule();
    struct stat after {};
    ASSERT_EQ(::stat(toFileName(state.timetablePath).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // an atomic write would have replaced the file
    EXPECT_EQ(file(), kB);
    EXPECT_EQ(table.rows.size(), 1u);
}

TEST_F(CommandsTest, DeletingTheLastRuleLeavesALineEndAndTheSystemRunning) {
    writeTimetable(kA);
    load();
    table.cursorRow = 1;
    commands.deleteRule();
    EXPECT_EQ(file(), "\r\n");
    EXPECT_EQ(table.rows.size(), 0u);
    EXPECT_EQ(state.rules.size(), 1u);
    EXPECT_TRUE(state.running);
}

TEST_F(CommandsTest, ACountStoredWithALeadingZeroCannotBeDeleted) {
    const std::string zero = record("z.mp3", "01", "0111110", {});
    writeTimetable(zero);
    load();
    table.cursorRow = 1;
    commands.deleteRule();
    EXPECT_EQ(file(), zero);
    EXPECT_EQ(table.rows.size(), 1u);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(CommandsTest, ModifyAndDeleteOnlyOnRuleRows) {
    writeTimetable(kA + kB);
    load();
    for (int row : {-1, 0, 3}) { // no focus, the header, the empty last row
        table.cursorRow = row;
        commands.modifyRule();
        commands.deleteRule();
    }
    EXPECT_TRUE(host.opened.empty());
    EXPECT_EQ(file(), kA + kB);
    table.cursorRow = 2;
    commands.modifyRule();
    EXPECT_EQ(host.opened, std::vector<EditorState::Mode>{EditorState::Mode::Modify});
}

TEST_F(CommandsTest, ClearAnsweredNoChangesNothing) {
    writeTimetable(kA);
    load();
    dialogs.answerYes = false;
    commands.clearTimetable();
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{gbkFromUtf8("提示...|真的要清空这套作息时间表吗？")});
    EXPECT_EQ(file(), kA);
    EXPECT_TRUE(state.running);
    EXPECT_EQ(playback.stops, 0);
}

TEST_F(CommandsTest, ClearAnsweredYesEmptiesAndStopsRunning) {
    writeTimetable(kA + kB);
    load();
    dialogs.answerYes = true;
    commands.clearTimetable();
    EXPECT_EQ(file(), "");
    EXPECT_TRUE(fileExists(toFileName(state.timetablePath)));
    EXPECT_FALSE(state.running);
    EXPECT_FALSE(status.runningShown);
    EXPECT_EQ(status.status, gbkFromUtf8("系统已停止运行"));
    EXPECT_TRUE(state.rules.empty());
    EXPECT_EQ(playback.stops, 0); // emptying the timetable never cuts what plays
}

TEST_F(CommandsTest, ClearCreatesAMissingFile) {
    dialogs.answerYes = true;
    commands.clearTimetable();
    EXPECT_TRUE(fileExists(toFileName(state.timetablePath)));
}

TEST_F(CommandsTest, AnUnreadableFileIsNeitherDeletedFromNorCleared) {
    writeTimetable(kA);
    load();
    table.cursorRow = 1;
    std::filesystem::remove(toFileName(state.timetablePath));
    std::filesystem::create_directory(toFileName(state.timetablePath));
    commands.deleteRule();
    dialogs.answerYes = true;
    commands.clearTimetable();
    EXPECT_EQ(dialogs.errors,
              (std::vector<std::string>{messages::unreadableTimetable(), messages::unreadableTimetable()}));
    EXPECT_TRUE(std::filesystem::is_directory(toFileName(state.timetablePath)));
}

TEST_F(CommandsTest, AddOpensTheEditorInAddModeAfterShowingTheTable) {
    editor.mode = EditorState::Mode::Modify;
    bool shown = false;
    commands.addRule([&] { shown = true; });
    EXPECT_TRUE(shown);
    EXPECT_EQ(host.opened, std::vector<EditorState::Mode>{EditorState::Mode::Add});
}

} // namespace
