#include "shell/settingspanel.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/timetext.h"
#include "shell/gbkqt.h"
#include "shell/keepingclock.h"
#include "shell/mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>

namespace ringvale {

namespace {

const std::string kAutoStartName = "Ringvale";

std::string autoStartRefusal(AutoStartResult result) {
    const char* why = "";
    switch (result) {
    case AutoStartResult::NoExecutable:
        why = "找不到本程序的可执行文件。";
        break;
    case AutoStartResult::Unrepresentable:
        why = "本程序所在的路径含有启动项无法记录的字符。";
        break;
    case AutoStartResult::NotWritten:
    case AutoStartResult::BadName:
    case AutoStartResult::Registered:
        why = "启动项文件无法写入。";
        break;
    }
    return gbkFromUtf8(std::string("无法设置开机自动启动：") + why);
}

} // namespace

SettingsPanel::SettingsPanel(MainWindow& window, const AppConfig& config, SystemServices& system,
                             ScheduleState& state, Dialogs& dialogs, const WeatherProbe& weather,
                             std::filesystem::path executable, BellLog& log)
    : m_window(window), m_config(config), m_system(system), m_state(state), m_dialogs(dialogs),
      m_weather(weather), m_executable(std::move(executable)), m_log(log) {}

void SettingsPanel::autoStartClicked() {
    using namespace settings;
    if (m_window.autoStartBox()->isChecked()) {
        const AutoStartResult result = m_system.registerAutoStart(kAutoStartName, m_executable);
        if (result != AutoStartResult::Registered) {
            // Not registered: the box says so, the setting stays off, and the operator is told why.
            m_window.setAutoStartTicked(false);
            m_config.writeOrReport(systemSection(), autoStartKey(), "0");
            m_dialogs.showError(autoStartRefusal(result));
            m_log.record(
                systemEntry("start with the system refused: " + utf8FromGbk(autoStartRefusal(result))));
            return;
        }
        m_config.writeOrReport(systemSection(), autoStartKey(), "1");
        m_log.record(systemEntry("start with the system registered for " + m_executable.string()));
    } else {
        m_config.writeOrReport(systemSection(), autoStartKey(), "0");
        m_system.cancelAutoStart(kAutoStartName);
        m_log.record(systemEntry("start with the system cancelled"));
    }
}

void SettingsPanel::toTrayClicked() {
    m_config.writeOrReport(settings::systemSection(), settings::toTrayKey(),
                           m_window.toTrayBox()->isChecked() ? "1" : "0");
}

void SettingsPanel::shutdownBoxClicked() {
    static const std::string kAskForTime = gbkFromUtf8("请先输入要自动关机的时间。");
    static const std::string kCaption = gbkFromUtf8("信息：");
    const std::string time = textTrim(gbkFromQt(m_window.shutdownTimeBox()->text()));
    if (time.empty()) {
        m_window.setShutdownTicked(false);
        m_dialogs.showMessage(kAskForTime, kCaption, true);
        m_window.shutdownTimeBox()->setFocus(Qt::OtherFocusReason);
    }
    m_state.shutdownTime = m_window.shutdownBox()->isChecked() ? time : std::string();
}

void SettingsPanel::shutdownTimeTyped() {
    m_window.setShutdownTicked(false);
}

void SettingsPanel::shutdownTimeLeft() {
    const std::string time = normalizeTimeText(gbkFromQt(m_window.shutdownTimeBox()->text()));
    m_window.setShutdownTimeText(time);
    if (textTrim(time).empty())
        m_window.setShutdownTicked(false);
    m_config.writeOrReport(settings::machineSection(), settings::shutdownTimeKey(), time);
}

void SettingsPanel::countyTest() {
    static const std::string kFailed = gbkFromUtf8("地址可能输入错误或没有连接网络，");
    static const std::string kCaption = gbkFromUtf8(",提示...");
    std::string county = textTrim(gbkFromQt(m_window.countyBox()->text()));
    if (runKeepingClock([&] { return m_weather.fetch(county); }) == RainForecast::Unknown) {
        m_dialogs.showMessage(kFailed, kCaption, false);
        return;
    }
    m_config.writeOrReport(settings::machineSection(), settings::countyKey(),
                           textTrim(gbkFromQt(m_window.countyBox()->text())));
}

} // namespace ringvale
