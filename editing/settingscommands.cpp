#include "editing/settingscommands.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/timetext.h"

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

SettingsCommands::SettingsCommands(SettingsView& view, const AppConfig& config, AutoStartRegistry& autoStart,
                                   ScheduleState& state, Dialogs& dialogs, CountyProbe probeCounty,
                                   std::filesystem::path executable, BellLog& log)
    : m_view(view), m_config(config), m_autoStart(autoStart), m_state(state), m_dialogs(dialogs),
      m_probeCounty(std::move(probeCounty)), m_executable(std::move(executable)), m_log(log) {}

void SettingsCommands::autoStartClicked() {
    using namespace settings;
    if (m_view.isAutoStartTicked()) {
        const AutoStartResult result = m_autoStart.registerAutoStart(kAutoStartName, m_executable);
        if (result != AutoStartResult::Registered) {
            // Not registered: the box says so, the setting stays off, and the operator is told why.
            m_view.setAutoStartTicked(false);
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
        m_autoStart.cancelAutoStart(kAutoStartName);
        m_log.record(systemEntry("start with the system cancelled"));
    }
}

void SettingsCommands::toTrayClicked() {
    m_config.writeOrReport(settings::systemSection(), settings::toTrayKey(),
                           m_view.isToTrayTicked() ? "1" : "0");
}

void SettingsCommands::shutdownBoxClicked() {
    static const std::string kAskForTime = gbkFromUtf8("请先输入要自动关机的时间。");
    static const std::string kCaption = gbkFromUtf8("信息：");
    const std::string time = textTrim(m_view.shutdownTimeText());
    if (time.empty()) {
        m_view.setShutdownTicked(false);
        m_dialogs.showMessage(kAskForTime, kCaption, true);
        m_view.focusShutdownTime();
    }
    m_state.shutdownTime = m_view.isShutdownTicked() ? time : std::string();
}

void SettingsCommands::shutdownTimeTyped() {
    m_view.setShutdownTicked(false);
}

void SettingsCommands::shutdownTimeLeft() {
    const std::string time = normalizeTimeText(m_view.shutdownTimeText());
    m_view.setShutdownTimeText(time);
    if (textTrim(time).empty())
        m_view.setShutdownTicked(false);
    m_config.writeOrReport(settings::machineSection(), settings::shutdownTimeKey(), time);
}

void SettingsCommands::countyTest() {
    static const std::string kFailed = gbkFromUtf8("地址可能输入错误或没有连接网络，");
    static const std::string kCaption = gbkFromUtf8(",提示...");
    std::string county = textTrim(m_view.countyText());
    if (!m_probeCounty(county)) {
        m_dialogs.showMessage(kFailed, kCaption, false);
        return;
    }
    m_config.writeOrReport(settings::machineSection(), settings::countyKey(), textTrim(m_view.countyText()));
}

} // namespace ringvale
