#include "appcontroller.h"

#include "mainwindow.h"
#include "playcommands.h"
#include "timetableloader.h"

#include <QComboBox>

namespace ringvale {

AppController::AppController(MainWindow& window, Playback& playback, std::string programDir)
    : m_window(window), m_programDir(std::move(programDir)), m_context{m_state, window, window, playback} {
    connect(&m_window, &MainWindow::playNowRequested, this, [this] { playNow(m_context); });
    connect(&m_window, &MainWindow::stopPlayingRequested, this, [this] { stopPlaying(m_context); });
}

void AppController::start() {
    const int index = std::max(0, m_window.timetableSelector()->currentIndex());
    m_state.timetablePath = timetablePath(m_programDir, index);
    loadTimetable(m_context);
}

} // namespace ringvale
