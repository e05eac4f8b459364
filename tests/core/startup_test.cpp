#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/startup.h"
#include "core/timetable.h"
#include "fakes.h"
#include "records.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class FakeStartupView : public StartupView {
public:
    void installTrayIcon() override { steps.push_back("tray"); }
    void selectTimetable(int index) override {
        steps.push_back("select");
        selected = index;
    }
    void setAutoStartTicked(bool t) override { autoStart = t; }
    void setToTrayTicked(bool t) override { toTray = t; }
    void setShutdownTicked(bool t) override { shutdownTicked = t; }
    void setShutdownTimeText(std::string_view t) override { shutdownText = t; }
    void setCountyText(std::string_view t) override { county = t; }
    void startClock(int period) override {
        steps.push_back("clock");
        clockPeriod = period;
    }

    std::vector<std::string> steps;
    int selected = -1;
    bool autoStart = false, toTray = false, shutdownTicked = false;
    std::string shutdownText = "untouched", county = "untouched";
    int clockPeriod = 0;
};

class StartupTest : public ::testing::Test, protected FakeSchedule {
protected:
    void start() {
        StartupSteps steps;
        steps.restoreSongSlots = [this] { view.steps.push_back("songs"); };
        steps.startWeatherCheck = [this] { view.steps.push_back("weather"); };
        startUp(context, view, config, fromFileName(dir.path()), steps);
    }
    void setting(const std::string& section, const std::string& key, const std::string& value) {
        ASSERT_TRUE(config.write(section, key, value));
    }

    TempDir dir;
    AppConfig config{dir.path()};
    FakeStartupView view;
};

TEST_F(StartupTest, FirstStartWithNothingSaved) {
    status.status = "";
    start();
    EXPECT_EQ(view.steps, (std::vector<std::string>{"tray", "select", "songs", "weather", "clock"}));
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(state.timetablePath, fromFileName(dir.path()) + "/" + gbkFromUtf8("春季作息表.INI"));
    EXPECT_FALSE(view.autoStart);
    EXPECT_FALSE(view.toTray);
    EXPECT_FALSE(view.shutdownTicked);
    EXPECT_EQ(view.shutdownText, "");
    EXPECT_EQ(view.county, "");
    EXPECT_EQ(state.shutdownTime, "");
    EXPECT_FALSE(state.running);
    EXPECT_EQ(status.status, "");
    EXPECT_EQ(playback.stops, 0); // loading never cuts what plays
    EXPECT_EQ(view.clockPeriod, 500);
}

TEST_F(StartupTest, RestoresWhatWasSaved) {
    using namespace settings;
    setting(systemSection(), timetableKey(), "3");
    setting(systemSection(), autoStartKey(), "1");
    setting(systemSection(), toTrayKey(), "1");
    setting(machineSection(), shutdownTimeKey(), " 17:30:00\xA1\xA1");
    setting(machineSection(), countyKey(), gbkFromUtf8("华容"));
    ASSERT_TRUE(
        writeFileAtomic(dir.path() / "冬季作息表.INI", record("a.mp3", "1", "0111110", {"08:00:00"})));
    start();
    EXPECT_EQ(view.selected, 3);
    EXPECT_TRUE(view.autoStart);
    EXPECT_TRUE(view.toTray);
    EXPECT_TRUE(view.shutdownTicked);
    EXPECT_EQ(view.shutdownText, "17:30:00");
    EXPECT_EQ(state.shutdownTime, "17:30:00");
    EXPECT_EQ(view.county, gbkFromUtf8("华容"));
    EXPECT_TRUE(state.running);
    EXPECT_EQ(state.rules.size(), 2u);
    EXPECT_EQ(table.rows.size(), 1u);
}

TEST_F(StartupTest, TimetableIndexOutsideTheSeventeenSelectsTheFirst) {
    using namespace settings;
    for (const char* saved : {"abc", "17", "-1", "99"}) {
        setting(systemSection(), timetableKey(), saved);
        view = FakeStartupView{};
        start();
        EXPECT_EQ(view.selected, 0) << saved;
        EXPECT_EQ(state.timetablePath, fromFileName(dir.path()) + "/" + gbkFromUtf8("春季作息表.INI"))
            << saved;
    }
    setting(systemSection(), timetableKey(), " 16x");
    start();
    EXPECT_EQ(view.selected, 16);
}

TEST_F(StartupTest, BlankShutdownTimeIsNotArmed) {
    setting(settings::machineSection(), settings::shutdownTimeKey(), "  \xA1\xA1 ");
    start();
    EXPECT_FALSE(view.shutdownTicked);
    EXPECT_EQ(state.shutdownTime, "");
    EXPECT_EQ(view.shutdownText, "");
}

TEST_F(StartupTest, FlagsOtherThanOneStayUnticked) {
    setting(settings::systemSection(), settings::autoStartKey(), "01");
    setting(settings::systemSection(), settings::toTrayKey(), "yes");
    start();
    EXPECT_FALSE(view.autoStart);
    EXPECT_FALSE(view.toTray);
}

} // namespace
