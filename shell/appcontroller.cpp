#include "appcontroller.h"

#include "codepage.h"
#include "mainwindow.h"
#include "playcommands.h"
#include "startup.h"

namespace ringvale {

AppController::AppController(MainWindow& window, Services services, const std::filesystem::path& programDir)
    : m_window(window), m_programDir(fromFileName(programDir)), m_config(programDir),
      m_system(services.commands, services.env), m_context{m_state, window, window, services.playback},
      m_tick(m_context, window, services.clock, *this) {
    connect(&m_window, &MainWindow::clockTicked, this, [this] { m_tick.onClockTick(); });
    connect(&m_window, &MainWindow::trayEvent, this, &AppController::onTrayEvent);
    connect(&m_window, &MainWindow::playNowRequested, this, [this] { playNow(m_context); });
    connect(&m_window, &MainWindow::stopPlayingRequested, this, [this] { stopPlaying(m_context); });
}

void AppController::start() {
    startUp(m_context, m_window, m_config, m_programDir);
}

bool AppController::powerOffForced() {
    return m_system.shutdownComputer(1, true);
}

void AppController::onTrayEvent(int kind) {
    if (kind == 2) {
        // Double-click: back to a normal, visible window (also out of maximised).
        m_window.setWindowState(Qt::WindowNoState);
        m_window.show();
        m_window.raise();
        m_window.activateWindow();
    }
}

} // namespace ringvale
