#pragma once

#include "core/clocktick.h"
#include "core/scheduleview.h"
#include "core/startup.h"
#include "editing/settingscommands.h"
#include "editing/toolbarcommands.h"
#include "media/songstation.h"
#include "shell/maintoolbar.h"
#include "shell/popupmenu.h"
#include "shell/trayevent.h"

#include <QWidget>

#include <array>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace ringvale {

class ClockDriver;
class RuleTableModel;
class RuleGridView;
class TrayIcon;

// The one top-level window. It owns every control the scheduler reads and writes; the controls
// carry their design names as objectName, so the rest of the program and the tests find them by
// name. Three views share the client area: the schedule (the rule table), settings and help,
// and the song station.
class MainWindow final : public QWidget,
                         public RuleTable,
                         public StatusBoard,
                         public TickView,
                         public StartupView,
                         public SongBoard,
                         public MainViews,
                         public SettingsView {
    Q_OBJECT
public:
    enum class View { Schedule, SettingsAndHelp, SongStation };
    static constexpr int kToolbarButtonCount = MainToolbar::kButtonCount;
    static constexpr int kDesignWidth = 1100;
    static constexpr int kDesignHeight = 600;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // RuleTable
    void resetRuleGrid() override;
    void appendRuleRows(std::vector<GridRow> rows) override;
    int rowCount() const override;
    int currentRow() const override;
    void moveCursor(int row, int column) override;
    void markMusicProblem(int row, std::string_view reason) override;

    // StatusBoard
    void setStatusText(std::string_view text) override;
    void setNextRuleText(std::string_view text) override;
    void setRunningShown(bool running) override;

    // TickView
    void setElapsedText(std::string_view text) override;
    bool isShutdownTicked() const override;

    // StartupView
    void installTrayIcon() override;
    void selectTimetable(int index) override;
    void setAutoStartTicked(bool ticked) override;
    // SettingsView (its setters are StartupView's, isShutdownTicked TickView's)
    bool isAutoStartTicked() const override;
    bool isToTrayTicked() const override;
    std::string shutdownTimeText() const override;
    void focusShutdownTime() override;
    std::string countyText() const override;
    void setToTrayTicked(bool ticked) override;
    void setShutdownTicked(bool ticked) override;
    void setShutdownTimeText(std::string_view text) override;
    void setCountyText(std::string_view text) override;
    void startClock(int periodMs) override;

    // SongBoard
    std::string slotCaption(int slot) const override;
    void setSlotCaption(int slot, std::string_view caption) override;
    void markSlotProblem(int slot, std::string_view reason) override;

    // The weather icon (JPEG bytes; empty clears it) and the county button's caption.
    void setWeatherPicture(const std::string& jpegBytes);
    void setCountyCaption(std::string_view county);

    TrayIcon& trayIcon() const { return *m_tray; }
    const ClockDriver& clockDriver() const { return *m_clockDriver; }

    View currentView() const;
    void showScheduleView();
    void showSettingsAndHelpView() override;
    void showSongStationView() override;
    bool runningShown() const override;
    std::string countyShown() const override;

    // The toolbar's fifteen buttons by index; separators are separator actions.
    QAction* toolbarButton(int index) const { return m_toolbar->button(index); }
    QAction* toolbarButton(ToolbarButton button) const { return toolbarButton(static_cast<int>(button)); }
    bool toolbarButtonHasToolTip(int index) const { return m_toolbar->hasToolTip(index); }

    using MenuPlacement = PopupMenu::Placement;
    // The popup menu: 新增, 修改, 删除, 立即播放, 停止播放, 清空, 退出 with separators between groups.
    PopupMenu* popupMenu() const { return m_popupMenu; }
    void showPopupMenu(MenuPlacement placement, QPoint cursor);
    static QPoint popupTopLeft(MenuPlacement placement, QPoint cursor, QSize menuSize) {
        return PopupMenu::topLeft(placement, cursor, menuSize);
    }

    // Ends the program at once (the toolbar's confirmed exit and the popup menu's 退出).
    void requestProgramEnd() override { emit programEndRequested(); }

    QComboBox* timetableSelector() const { return m_timetableBox; }
    QCheckBox* toTrayBox() const { return m_toTrayBox; }
    // The session manager asks before a logoff or shutdown: false when the program declines to
    // end (the to-tray option is ticked; the window hides), true when it may end.
    bool answerEndOfSession();
    QCheckBox* autoStartBox() const { return m_autoStartBox; }
    QCheckBox* shutdownBox() const { return m_shutdownBox; }
    QLineEdit* shutdownTimeBox() const { return m_shutdownTimeBox; }
    QLineEdit* countyBox() const { return m_countyBox; }
    QLabel* songSlot(int number) const { return m_songSlots[static_cast<std::size_t>(number - 1)]; }

signals:
    // A tick of the half-second clock, aimed at the wall-clock boundary `dueMs` (ms since 1970).
    void clockTicked(qint64 dueMs);
    void trayEvent(ringvale::TrayEvent event);
    void toolbarButtonClicked(int index);
    void logRequested();
    void calendarRequested();
    void campusRequested();
    void addRuleRequested();
    void modifyRuleRequested();
    void deleteRuleRequested();
    void playNowRequested();
    void stopPlayingRequested();
    void clearTimetableRequested();
    void lockdownRequested();
    void webConsoleRequested();
    void soundSettingsRequested();
    void exportCsvRequested();
    void importCsvRequested();
    void exitRequested();
    // The operator chose timetable `index` in the selector.
    void timetableChosen(int index);
    // A mouse button went down on song slot 1-20.
    void songSlotPressed(int slot, bool leftButton);
    void autoStartClicked();
    void toTrayClicked();
    void shutdownBoxClicked();
    void shutdownTimeTyped();
    void shutdownTimeLeft();
    void countyTestClicked();
    // The close rule let the window close: the program is to end now.
    void programEndRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void createSettingsControls();
    void createSongStation();
    void createStatusLabels();
    void applyLayoutRule(QSize outer);
    QSize frameExtent() const;

    QLabel* m_elapsedLabel = nullptr;
    QLabel* m_nextRuleLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QColor m_nextRuleColour{0, 96, 192};
    QLabel* m_weatherPicture = nullptr;
    QGroupBox* m_songStation = nullptr;
    std::array<QLabel*, 20> m_songSlots{};
    RuleGridView* m_grid = nullptr;
    RuleTableModel* m_gridModel = nullptr;
    QCheckBox* m_toTrayBox = nullptr;
    QComboBox* m_timetableBox = nullptr;
    QCheckBox* m_autoStartBox = nullptr;
    QTimer* m_clock = nullptr;
    MainToolbar* m_toolbar = nullptr;
    QPlainTextEdit* m_helpBox = nullptr;
    QLabel* m_countyCaption = nullptr;
    QLineEdit* m_countyBox = nullptr;
    QPushButton* m_countyButton = nullptr;
    QCheckBox* m_shutdownBox = nullptr;
    QLineEdit* m_shutdownTimeBox = nullptr;
    PopupMenu* m_popupMenu = nullptr;
    TrayIcon* m_tray = nullptr;
    ClockDriver* m_clockDriver = nullptr;
};

} // namespace ringvale
