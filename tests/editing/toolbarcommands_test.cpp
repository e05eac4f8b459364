#include "core/codepage.h"
#include "editing/toolbarcommands.h"
#include "fakes.h"
#include "records.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class FakeViews : public MainViews {
public:
    void showSettingsAndHelpView() override { shown.push_back("settings"); }
    void showSongStationView() override { shown.push_back("songs"); }
    void requestProgramEnd() override { ++ends; }
    bool runningShown() const override { return running; }
    std::string countyShown() const override { return county; }

    std::vector<std::string> shown;
    int ends = 0;
    bool running = false;
    std::string county;
};

class FakeEditorHost : public RuleEditorHost {
public:
    void openRuleEditor() override { ++opened; }
    void timetableSwitched() override {}
    int opened = 0;
};

class ToolbarTest : public ::testing::Test, protected FakeSchedule {
protected:
    EditorState editor;
    FakeEditorHost host;
    FakeDialogs dialogs;
    FakeViews views;
    std::vector<std::string> probes;
    ToolbarCommands commands{context, editor,
                             host,    dialogs,
                             views,   [this](const std::string& county) { probes.push_back(county); }};
};

TEST_F(ToolbarTest, RunningFollowsTheButtonUnlessThereIsNothingToRun) {
    struct Case {
        bool hasRules, pressed, running, buttonSpringsBack;
        const char* status;
    };
    for (const Case& c :
         {Case{true, true, true, false, "系统正在运行中"}, Case{true, false, false, false, "系统已停止运行"},
          Case{false, true, false, true, "系统已停止运行"}}) {
        state.rules = c.hasRules ? std::vector{PlayRule{}, playRule("a.mp3", 1, "0111110", {"08:00:00"})}
                                 : std::vector<PlayRule>{};
        status.runningShown = views.running = c.pressed;
        host.opened = 0;
        editor.mode = EditorState::Mode::Modify;
        commands.click(ToolbarButton::Run);
        EXPECT_EQ(state.running, c.running);
        EXPECT_EQ(status.runningShown, !c.buttonSpringsBack && c.pressed);
        EXPECT_EQ(host.opened, c.buttonSpringsBack ? 1 : 0);
        EXPECT_EQ(editor.mode == EditorState::Mode::Add, c.buttonSpringsBack);
        EXPECT_EQ(status.status, gbkFromUtf8(c.status));
    }
}

TEST_F(ToolbarTest, ExitOnlyWhenTheOperatorSaysYes) {
    for (bool yes : {false, true}) {
        dialogs.answerYes = yes;
        commands.click(ToolbarButton::Exit);
    }
    EXPECT_EQ(views.ends, 1);
    EXPECT_EQ(dialogs.questions, std::vector<std::string>(2, gbkFromUtf8("重要提示...|您真的要退出吗？")));
}

TEST_F(ToolbarTest, StopViewsAndCounty) {
    commands.click(ToolbarButton::StopPlaying);
    EXPECT_EQ(playback.stops, 1);
    EXPECT_EQ(status.status, "");
    commands.click(ToolbarButton::SongStation);
    commands.click(ToolbarButton::SettingsAndHelp);
    EXPECT_EQ(views.shown, (std::vector<std::string>{"songs", "settings"}));
    views.county = gbkFromUtf8("　海淀 ");
    commands.click(ToolbarButton::County);
    EXPECT_EQ(probes, std::vector<std::string>{gbkFromUtf8("海淀")});
    commands.click(ToolbarButton::Add);
    EXPECT_EQ(host.opened, 1);
    EXPECT_EQ(state.running, false);
}

} // namespace
