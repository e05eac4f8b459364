// What the scheduler's procedures ask of the main window (the rule table, the status labels,
// the tick's view, the start-up's view, the song board) and the weather display, on its controls.

#include "shell/mainwindow.h"

#include "shell/clockdriver.h"
#include "shell/gbkqt.h"
#include "shell/ruletablemodel.h"
#include "shell/ruletableview.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalBlocker>
#include <QToolBar>

namespace ringvale {

void MainWindow::resetRuleGrid() {
    m_gridModel->reset();
    const auto& widths = gridColumnWidths();
    for (int column = 0; column < kGridColumns; ++column)
        m_grid->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
}

void MainWindow::appendRuleRows(std::vector<GridRow> rows) {
    m_gridModel->appendRows(rows);
}

void MainWindow::markMusicProblem(int row, std::string_view reason) {
    m_gridModel->markMusicProblem(row - 1,
                                  QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())));
}

int MainWindow::rowCount() const {
    return m_gridModel->rowCount() + 1; // the header row counts as row 0
}

int MainWindow::currentRow() const {
    const QModelIndex current = m_grid->currentIndex();
    return current.isValid() ? current.row() + 1 : -1;
}

void MainWindow::moveCursor(int row, int column) {
    if (row < 1 || row >= rowCount()) {
        m_grid->setCurrentIndex({});
        return;
    }
    const QModelIndex index = m_gridModel->index(row - 1, std::clamp(column, 0, kGridColumns - 1));
    m_grid->setCurrentIndex(index);
    m_grid->scrollTo(index);
}

void MainWindow::setStatusText(std::string_view text) {
    m_statusLabel->setText(qtFromGbk(text));
}

void MainWindow::setNextRuleText(std::string_view text) {
    const QString shown = qtFromGbk(text);
    m_nextRuleLabel->setText(shown);
    // Lockdown is said in red, so nobody takes the silence for a fault.
    const bool lockdown = shown.startsWith(QString::fromUtf8("全校停铃"));
    if (lockdown != m_nextRuleLabel->property("lockdown").toBool()) {
        m_nextRuleLabel->setProperty("lockdown", lockdown);
        QPalette palette = m_nextRuleLabel->palette();
        palette.setColor(QPalette::WindowText, lockdown ? QColor(0xc0, 0, 0) : m_nextRuleColour);
        m_nextRuleLabel->setPalette(palette);
    }
}

void MainWindow::setRunningShown(bool running) {
    QAction* runButton = toolbarButton(ToolbarButton::Run);
    const QSignalBlocker block(runButton);
    runButton->setChecked(running);
}

bool MainWindow::runningShown() const {
    return toolbarButton(ToolbarButton::Run)->isChecked();
}

std::string MainWindow::countyShown() const {
    return gbkFromQt(toolbarButton(ToolbarButton::County)->text());
}

void MainWindow::setElapsedText(std::string_view text) {
    m_elapsedLabel->setText(qtFromGbk(text));
}

bool MainWindow::isAutoStartTicked() const {
    return m_autoStartBox->isChecked();
}

bool MainWindow::isToTrayTicked() const {
    return m_toTrayBox->isChecked();
}

std::string MainWindow::shutdownTimeText() const {
    return gbkFromQt(m_shutdownTimeBox->text());
}

void MainWindow::focusShutdownTime() {
    m_shutdownTimeBox->setFocus(Qt::OtherFocusReason);
}

std::string MainWindow::countyText() const {
    return gbkFromQt(m_countyBox->text());
}

bool MainWindow::isShutdownTicked() const {
    return m_shutdownBox->isChecked();
}

void MainWindow::installTrayIcon() {
    m_tray->setTrayIcon(QIcon(QStringLiteral(":/ringvale/tray.png")), std::string("Ringvale"));
}

void MainWindow::selectTimetable(int index) {
    const QSignalBlocker block(m_timetableBox);
    m_timetableBox->setCurrentIndex(index);
}

void MainWindow::setAutoStartTicked(bool ticked) {
    const QSignalBlocker block(m_autoStartBox);
    m_autoStartBox->setChecked(ticked);
}

void MainWindow::setToTrayTicked(bool ticked) {
    const QSignalBlocker block(m_toTrayBox);
    m_toTrayBox->setChecked(ticked);
}

void MainWindow::setShutdownTicked(bool ticked) {
    const QSignalBlocker block(m_shutdownBox);
    m_shutdownBox->setChecked(ticked);
}

void MainWindow::setShutdownTimeText(std::string_view text) {
    const QSignalBlocker block(m_shutdownTimeBox);
    m_shutdownTimeBox->setText(qtFromGbk(text));
}

void MainWindow::setCountyText(std::string_view text) {
    const QSignalBlocker block(m_countyBox);
    m_countyBox->setText(qtFromGbk(text));
}

std::string MainWindow::slotCaption(int slot) const {
    return slot >= 1 && slot <= 20 ? gbkFromQt(songSlot(slot)->text()) : std::string();
}

void MainWindow::setSlotCaption(int slot, std::string_view caption) {
    if (slot < 1 || slot > 20)
        return;
    QLabel* label = songSlot(slot);
    label->setText(qtFromGbk(caption));
    label->setPalette(QPalette());
    label->setToolTip(QString());
}

void MainWindow::markSlotProblem(int slot, std::string_view reason) {
    if (slot < 1 || slot > 20)
        return;
    QLabel* label = songSlot(slot);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(204, 0, 0));
    label->setPalette(palette);
    label->setToolTip(QString::fromUtf8("音乐文件无法播放：") +
                      QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size())));
}

void MainWindow::setWeatherPicture(const std::string& jpegBytes) {
    QPixmap picture;
    if (!jpegBytes.empty() && picture.loadFromData(reinterpret_cast<const uchar*>(jpegBytes.data()),
                                                   static_cast<uint>(jpegBytes.size()), "JPG"))
        m_weatherPicture->setPixmap(picture);
    else
        m_weatherPicture->clear();
}

void MainWindow::setCountyCaption(std::string_view county) {
    toolbarButton(ToolbarButton::County)->setText(qtFromGbk(county));
    m_toolbar->fitToButtons();
}

void MainWindow::startClock(int periodMs) {
    m_clockDriver->start(periodMs);
}

} // namespace ringvale
