#pragma once

#include "core/appconfig.h"
#include "core/belllog.h"
#include "core/dialogs.h"
#include "core/schedulestate.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace ringvale {

// What became of a request to start with the system.
enum class AutoStartResult {
    Registered,
    NoExecutable,    // nothing at that path, or not a file
    BadName,         // the entry's name would not be a plain file name
    Unrepresentable, // the path holds bytes an autostart entry cannot carry (not UTF-8, control characters)
    NotWritten,      // the entry could not be written
};

// Start with the system (names are GBK texts).
class AutoStartRegistry {
public:
    virtual ~AutoStartRegistry() = default;
    [[nodiscard]] virtual AutoStartResult
    registerAutoStart(std::string_view name, const std::filesystem::path& executable, int mode = 0) = 0;
    // True when there was an entry to delete.
    virtual bool cancelAutoStart(std::string_view name) = 0;
};

// The settings view's controls as the settings commands read and set them (texts GBK).
class SettingsView {
public:
    virtual ~SettingsView() = default;
    virtual bool isAutoStartTicked() const = 0;
    virtual void setAutoStartTicked(bool ticked) = 0;
    virtual bool isToTrayTicked() const = 0;
    virtual bool isShutdownTicked() const = 0;
    virtual void setShutdownTicked(bool ticked) = 0;
    virtual std::string shutdownTimeText() const = 0;
    virtual void setShutdownTimeText(std::string_view text) = 0;
    virtual void focusShutdownTime() = 0;
    virtual std::string countyText() const = 0;
};

// The handlers of the settings view: start with the system, to the tray on close, the automatic
// power-off time, and the county test. Each setting is saved when it changes.
class SettingsCommands {
public:
    // probeCounty checks the weather for a county (GBK); false when no usable page came back.
    using CountyProbe = std::function<bool(std::string& county)>;

    SettingsCommands(SettingsView& view, const AppConfig& config, AutoStartRegistry& autoStart,
                     ScheduleState& state, Dialogs& dialogs, CountyProbe probeCounty,
                     std::filesystem::path executable, BellLog& log);

    void autoStartClicked();
    void toTrayClicked();
    void shutdownBoxClicked();
    void shutdownTimeTyped();
    void shutdownTimeLeft();
    void countyTest();

private:
    SettingsView& m_view;
    const AppConfig& m_config;
    AutoStartRegistry& m_autoStart;
    ScheduleState& m_state;
    Dialogs& m_dialogs;
    CountyProbe m_probeCounty;
    std::filesystem::path m_executable;
    BellLog& m_log;
};

} // namespace ringvale
