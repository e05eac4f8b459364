#include "shell/appcontroller.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/startup.h"
#include "core/timetableloader.h"
#include "media/playcommands.h"
#include "shell/gbkqt.h"
#include "shell/keepingclock.h"
#include "shell/mainwindow.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>

namespace ringvale {

AppController::AppController(MainWindow& window, Services services, const std::filesystem::path& programDir)
    : m_window(window), m_dialogs(services.dialogs), m_programDir(fromFileName(programDir)),
      m_config(programDir),
      m_system(services.commands, services.env), m_context{m_state, window, window, services.playback},
      m_powerOff([this] { return m_system.shutdownComputer(1, true); }),
      m_tick(m_context, window, services.clock, m_powerOff), m_editing(m_context, m_editor, services.dialogs),
      m_editorHost(window, m_editing, m_editor, services.dialogs),
      m_commands(m_context, m_editor, m_config, services.dialogs, m_editorHost, m_programDir),
      m_weatherDisplay(std::make_shared<WindowWeatherDisplay>(window)),
      m_weather(services.http, programDir, services.weatherHost, m_weatherDisplay),
      m_songs(m_config, services.playback, window, window, services.dialogs),
      m_settings(window, m_config, m_system, m_state, services.dialogs, m_weather, services.executable) {
    connect(&m_window, &MainWindow::clockTicked, this,
            [this](qint64 dueMs) { m_tick.onClockTick(WallTime(std::chrono::milliseconds(dueMs))); });
    connect(&m_window, &MainWindow::trayEvent, this, &AppController::onTrayEvent);
    connect(&m_window, &MainWindow::toolbarButtonClicked, this, &AppController::onToolbarClick);
    connect(&m_window, &MainWindow::timetableChosen, this,
            [this](int index) { m_commands.switchTimetable(index); });
    connect(&m_window, &MainWindow::addRuleRequested, this,
            [this] { m_commands.addRule([this] { m_window.showScheduleView(); }); });
    connect(&m_window, &MainWindow::modifyRuleRequested, this, [this] { m_commands.modifyRule(); });
    connect(&m_window, &MainWindow::deleteRuleRequested, this, [this] { m_commands.deleteRule(); });
    connect(&m_window, &MainWindow::clearTimetableRequested, this, [this] { m_commands.clearTimetable(); });
    connect(&m_window, &MainWindow::playNowRequested, this, [this] { playNow(m_context); });
    connect(&m_window, &MainWindow::stopPlayingRequested, this, [this] { stopPlaying(m_context); });
    connect(&m_window, &MainWindow::exitRequested, &m_window, &MainWindow::requestProgramEnd);
    connect(&m_window, &MainWindow::songSlotPressed, this, [this](int slot, bool left) {
        if (left)
            m_songs.onLeftPress(slot);
        else
            m_songs.onRightPress(slot);
    });
    connect(&m_window, &MainWindow::autoStartClicked, this, [this] { m_settings.autoStartClicked(); });
    connect(&m_window, &MainWindow::toTrayClicked, this, [this] { m_settings.toTrayClicked(); });
    connect(&m_window, &MainWindow::shutdownBoxClicked, this, [this] { m_settings.shutdownBoxClicked(); });
    connect(&m_window, &MainWindow::shutdownTimeTyped, this, [this] { m_settings.shutdownTimeTyped(); });
    connect(&m_window, &MainWindow::shutdownTimeLeft, this, [this] { m_settings.shutdownTimeLeft(); });
    connect(&m_window, &MainWindow::countyTestClicked, this, [this] { m_settings.countyTest(); });
}

AppController::~AppController() {
    m_weatherDisplay->detach(); // a weather check still running never reaches the window
    // Nor does the program end under it (a closed port answers at once; a silent server is
    // given a moment, then left).
    m_weather.waitForBackground(std::chrono::seconds(2));
}

void AppController::start() {
    StartupSteps steps;
    steps.restoreSongSlots = [this] { m_songs.restoreSlots(); };
    steps.startWeatherCheck = [this] { m_weather.fetchInBackground(); };
    startUp(m_context, m_window, m_config, m_programDir, steps);
}

void AppController::onToolbarClick(int index) {
    static const std::string kExitQuestion = gbkFromUtf8("您真的要退出吗？");
    static const std::string kExitCaption = gbkFromUtf8("重要提示...");
    switch (static_cast<ToolbarButton>(index)) {
    case ToolbarButton::Add:
        m_editor.mode = EditorState::Mode::Add;
        m_editorHost.openRuleEditor();
        break;
    case ToolbarButton::SettingsAndHelp:
        m_window.showSettingsAndHelpView();
        break;
    case ToolbarButton::Exit:
        if (m_dialogs.askYesNo(kExitQuestion, kExitCaption))
            m_window.requestProgramEnd();
        break;
    case ToolbarButton::Run:
        toggleRunning();
        break;
    case ToolbarButton::StopPlaying:
        m_context.playback.stopAll();
        m_window.setStatusText({});
        break;
    case ToolbarButton::SongStation:
        m_window.showSongStationView();
        break;
    case ToolbarButton::County: {
        // The county button probes the county it shows (the saved one when it shows none).
        std::string county = textTrim(gbkFromQt(m_window.toolbarButton(ToolbarButton::County)->text()));
        runKeepingClock([&] { return m_weather.fetch(county); });
        break;
    }
    default:
        break;
    }
}

void AppController::toggleRunning() {
    // The button's checked state is the running state.
    m_state.running = m_window.toolbarButton(ToolbarButton::Run)->isChecked();
    if (m_state.rules.empty()) {
        // Nothing to run: the button springs back and the editor opens for a first rule.
        m_window.setRunningShown(false);
        m_state.running = false;
        m_editor.mode = EditorState::Mode::Add;
        m_editorHost.openRuleEditor();
    }
    m_window.setStatusText(runningStateText(m_state.running));
}

void AppController::onTrayEvent(TrayEvent event) {
    if (event == TrayEvent::DoubleClick) {
        // Double-click: back to a normal, visible window (also out of maximised).
        m_window.setWindowState(Qt::WindowNoState);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    } else if (event == TrayEvent::Menu) {
        m_window.showPopupMenu(MainWindow::MenuPlacement::Tray, QCursor::pos());
    }
}

} // namespace ringvale
