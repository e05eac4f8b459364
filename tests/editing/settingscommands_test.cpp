#include "core/codepage.h"
#include "editing/settingscommands.h"
#include "fakes.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class FakeSettingsView : public SettingsView {
public:
    bool isAutoStartTicked() const override { return autoStart; }
    void setAutoStartTicked(bool ticked) override { autoStart = ticked; }
    bool isToTrayTicked() const override { return toTray; }
    bool isShutdownTicked() const override { return shutdown; }
    void setShutdownTicked(bool ticked) override { shutdown = ticked; }
    std::string shutdownTimeText() const override { return shutdownTime; }
    void setShutdownTimeText(std::string_view text) override { shutdownTime = text; }
    void focusShutdownTime() override { ++focused; }
    std::string countyText() const override { return county; }

    bool autoStart = false, toTray = false, shutdown = false;
    std::string shutdownTime, county;
    int focused = 0;
};

class FakeAutoStart : public AutoStartRegistry {
public:
    AutoStartResult registerAutoStart(std::string_view, const std::filesystem::path&, int) override {
        ++registered;
        return result;
    }
    bool cancelAutoStart(std::string_view) override { return ++cancelled > 0; }
    AutoStartResult result = AutoStartResult::Registered;
    int registered = 0, cancelled = 0;
};

class SettingsCommandsTest : public ::testing::Test {
protected:
    std::string saved(const std::string& section, const std::string& key) const {
        return config.read(section, key);
    }

    TempDir dir;
    AppConfig config{dir.path()};
    FakeSettingsView view;
    FakeAutoStart autoStart;
    ScheduleState state;
    FakeDialogs dialogs;
    FakeBellLog log;
    std::vector<std::string> probed;
    bool pageCame = true;
    SettingsCommands commands{view,
                              config,
                              autoStart,
                              state,
                              dialogs,
                              [this](std::string& county) {
                                  probed.push_back(county);
                                  return pageCame;
                              },
                              "/opt/ringvale/ringvale",
                              log};
};

TEST_F(SettingsCommandsTest, AutoStartIsSavedOnlyWhenRegistered) {
    using namespace settings;
    for (const auto result : {AutoStartResult::Registered, AutoStartResult::Unrepresentable}) {
        autoStart.result = result;
        view.autoStart = true;
        dialogs.errors.clear();
        commands.autoStartClicked();
        const bool registered = result == AutoStartResult::Registered;
        EXPECT_EQ(view.autoStart, registered);
        EXPECT_EQ(saved(systemSection(), autoStartKey()), registered ? "1" : "0");
        EXPECT_EQ(dialogs.errors.size(), registered ? 0u : 1u);
    }
    EXPECT_EQ(log.events(), (std::vector<BellEvent>{BellEvent::System, BellEvent::System}));
    EXPECT_TRUE(log.entries[1].detail.starts_with("start with the system refused: "));
}

TEST_F(SettingsCommandsTest, PowerOffNeedsATimeAndTheTimeIsNormalisedWhenLeft) {
    view.shutdown = true;
    commands.shutdownBoxClicked();
    EXPECT_FALSE(view.shutdown);
    EXPECT_EQ(view.focused, 1);
    EXPECT_EQ(state.shutdownTime, "");
    view.shutdownTime = "17.3";
    commands.shutdownTimeLeft();
    EXPECT_EQ(view.shutdownTime, "17:03:00");
    EXPECT_EQ(saved(settings::machineSection(), settings::shutdownTimeKey()), "17:03:00");
    view.shutdown = true;
    commands.shutdownBoxClicked();
    EXPECT_EQ(state.shutdownTime, "17:03:00");
}

TEST_F(SettingsCommandsTest, TheCountyIsSavedOnlyWhenItsPageCame) {
    view.county = gbkFromUtf8(" 海淀 ");
    pageCame = false;
    commands.countyTest();
    EXPECT_EQ(saved(settings::machineSection(), settings::countyKey()), "");
    EXPECT_EQ(dialogs.messages.size(), 1u);
    pageCame = true;
    commands.countyTest();
    EXPECT_EQ(saved(settings::machineSection(), settings::countyKey()), gbkFromUtf8("海淀"));
    EXPECT_EQ(probed, std::vector<std::string>(2, gbkFromUtf8("海淀")));
}

} // namespace
