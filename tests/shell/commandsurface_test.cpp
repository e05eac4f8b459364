#include "harness.h"
#include "records.h"
#include "shell/ruleeditorwindow.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace ringvale;
using namespace ringvale::testing;

namespace {
const std::string kA = record("a.mp3", "1", "0111110", {"08:00:00"});
const std::string kB = record("b.mp3", "2", "0111110", {"09:00:00"});
} // namespace

class CommandSurfaceTest : public QObject {
    Q_OBJECT

    static QString status(Harness& h) { return h.window.findChild<QLabel*>(u("标签_状态"))->text(); }
    static QAction* menuItem(Harness& h, const char* name) {
        auto* action = h.window.popupMenu()->findChild<QAction*>(QString::fromLatin1(name));
        if (!action)
            qFatal("menu item %s not found", name);
        return action;
    }
    static void click(Harness& h, int index) {
        // A real click: the press on the toolbar comes first, then the button's click.
        auto* button = qobject_cast<QToolButton*>(
            h.window.findChild<QToolBar*>(u("工具条2"))->widgetForAction(h.window.toolbarButton(index)));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void popupMenuItemsInOrder() {
        Harness h;
        QStringList texts;
        for (QAction* action : h.window.popupMenu()->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(texts, (QStringList{u("新增"), u("-"), u("修改"), u("删除"), u("-"), u("立即播放"),
                                     u("停止播放"), u("-"), u("清空"), u("全校停铃/解除"), u("-"),
                                     u("导出为表格…"), u("从表格导入…"), u("-"), u("退出")}));
        for (QAction* action : h.window.popupMenu()->actions()) {
            QVERIFY(action->shortcut().isEmpty());
            QVERIFY(!action->isCheckable());
            QVERIFY(action->isEnabled());
        }
        QCOMPARE(MainWindow::popupTopLeft(MainWindow::MenuPlacement::Table, {100, 200}, {80, 150}),
                 QPoint(103, 203));
        QCOMPARE(MainWindow::popupTopLeft(MainWindow::MenuPlacement::Tray, {900, 700}, {80, 150}),
                 QPoint(815, 695));
    }

    void viewButtonsAndThePressOnTheToolbar() {
        Harness h;
        h.start();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        click(h, 11);
        QCOMPARE(h.window.currentView(), MainWindow::View::SongStation);
        // A press on a blank part of the toolbar returns to the table.
        auto* toolbar = h.window.findChild<QToolBar*>(u("工具条2"));
        QTest::mouseClick(toolbar, Qt::LeftButton, {}, QPoint(toolbar->width() - 3, 10));
        QCOMPARE(h.window.currentView(), MainWindow::View::Schedule);
        click(h, 2);
        QCOMPARE(h.window.currentView(), MainWindow::View::SettingsAndHelp);
        click(h, 11);
        QCOMPARE(h.window.currentView(), MainWindow::View::SongStation);
        click(h, 2);
        QCOMPARE(h.window.currentView(), MainWindow::View::SettingsAndHelp);
        // A disabled blank button only returns to the schedule.
        click(h, 6);
        QCOMPARE(h.window.currentView(), MainWindow::View::Schedule);
    }

    void runningToggleTwiceEndsWhereItStarted() {
        Harness h(kA);
        h.start();
        QVERIFY(h.controller.state().running);
        click(h, 7);
        QVERIFY(!h.controller.state().running);
        QVERIFY(!h.window.toolbarButton(ToolbarButton::Run)->isChecked());
        QCOMPARE(status(h), u("系统已停止运行"));
        click(h, 7);
        QVERIFY(h.controller.state().running);
        QVERIFY(h.window.toolbarButton(ToolbarButton::Run)->isChecked());
        QCOMPARE(status(h), u("系统正在运行中"));
    }

    // A screen reader or an automation tool toggles a control through its accessibility action,
    // which sends no click: the program's state follows all the same.
    void accessibilityTogglesKeepEveryCheckableControlInStep() {
        Harness h(kA);
        h.start();
        auto* runButton = h.window.findChild<QToolBar*>(u("工具条2"))
                              ->widgetForAction(h.window.toolbarButton(ToolbarButton::Run));
        const auto toggle = [](QWidget* widget) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            QVERIFY(accessible && accessible->actionInterface());
            accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        };
        for (const bool running : {false, true}) {
            toggle(runButton);
            QCOMPARE(h.controller.state().running, running);
            QCOMPARE(h.window.toolbarButton(ToolbarButton::Run)->isChecked(), running);
            QCOMPARE(qobject_cast<QToolButton*>(runButton)->isChecked(), running);
            QCOMPARE(status(h), running ? u("系统正在运行中") : u("系统已停止运行"));
        }
        toggle(h.window.toTrayBox());
        QVERIFY(h.window.toTrayBox()->isChecked());
        QCOMPARE(h.controller.config().read(settings::systemSection(), settings::toTrayKey()),
                 std::string("1"));
    }

    void runningToggleOnAnEmptyListOpensTheEditor() {
        Harness h;
        h.start();
        click(h, 7);
        QVERIFY(!h.controller.state().running);
        QVERIFY(!h.window.toolbarButton(ToolbarButton::Run)->isChecked());
        QCOMPARE(status(h), u("系统已停止运行"));
        QVERIFY(h.controller.editorHost().editor());
        QCOMPARE(h.controller.editorState().mode, EditorState::Mode::Add);
    }

    void stopButtonClearsTheStatus() {
        Harness h(kA);
        h.start();
        click(h, 9);
        QCOMPARE(status(h), QString());
        QCOMPARE(h.playback.stops, 1); // the button's: the load stops nothing
    }

    void exitAsksFirst() {
        Harness h;
        QSignalSpy ends(&h.window, &MainWindow::programEndRequested);
        h.start();
        h.dialogs.answerYes = false;
        click(h, 4);
        QCOMPARE(ends.count(), 0);
        QCOMPARE(h.dialogs.questions.back(), gbkFromUtf8("重要提示...|您真的要退出吗？"));
        h.dialogs.answerYes = true;
        click(h, 4);
        QCOMPARE(ends.count(), 1);
        // The popup menu's 退出 asks nothing, even with the tray option on.
        h.window.toTrayBox()->setChecked(true);
        const auto asked = h.dialogs.questions.size();
        menuItem(h, "menuExit")->trigger();
        QCOMPARE(ends.count(), 2);
        QCOMPARE(h.dialogs.questions.size(), asked);
    }

    void addButtonOpensTheEditorWithoutTouchingTheView() {
        Harness h;
        h.start();
        h.window.showSongStationView();
        h.controller.onToolbarClick(1);
        QVERIFY(h.controller.editorHost().editor());
        QCOMPARE(h.window.currentView(), MainWindow::View::SongStation);
        h.controller.editorHost().closeRuleEditor();
        QTRY_VERIFY(!h.controller.editorHost().editor());
        // The popup item 新增 returns to the table first.
        menuItem(h, "menuAdd")->trigger();
        QCOMPARE(h.window.currentView(), MainWindow::View::Schedule);
        QVERIFY(h.controller.editorHost().editor());
    }

    void rightPressOverAnotherRowDeletesTheCurrentOne() {
        const std::string c = record("c.mp3", "1", "0111110", {});
        const std::string d = record("d.mp3", "1", "0111110", {});
        const std::string e = record("e.mp3", "1", "0111110", {});
        Harness h(kA + kB + c + d + e);
        h.start();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(1, 1)).center());
        QCOMPARE(h.window.currentRow(), 2);
        QTest::mousePress(grid->viewport(), Qt::RightButton, {},
                          grid->visualRect(grid->model()->index(4, 1)).center());
        QCOMPARE(h.window.currentRow(), 2);
        menuItem(h, "menuDelete")->trigger();
        QCOMPARE(h.timetable(), kA + "\r\n" + c + d + e);
    }

    void playNowAndStopFromTheMenu() {
        Harness h(kA + kB);
        h.start();
        h.window.moveCursor(2, 0);
        menuItem(h, "menuPlayNow")->trigger();
        QCOMPARE(h.playback.plays.back(), (FakePlayback::Call{2, "b.mp3"}));
        QCOMPARE(status(h), u("正在播放:b.mp3"));
        menuItem(h, "menuStopPlaying")->trigger();
        QCOMPARE(status(h), u("正在播放:播放停止"));
    }

    void switchingTheSelectorLoadsAndRemembers() {
        Harness h(kA);
        QVERIFY(writeFileAtomic(h.home.path() / "第10套作息表.INI", kA + kB));
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        QComboBox* selector = h.window.timetableSelector();
        selector->setFocus();
        for (int step = 0; step < 9; ++step)
            QTest::keyClick(selector, Qt::Key_Down);
        QCOMPARE(selector->currentIndex(), 9);
        QCOMPARE(h.window.rowCount(), 4);
        QCOMPARE(h.controller.config().read(settings::systemSection(), settings::timetableKey()),
                 std::string("9"));
    }

    void clearFromTheMenuAsksAndStops() {
        Harness h(kA);
        h.start();
        h.dialogs.answerYes = true;
        menuItem(h, "menuClear")->trigger();
        QCOMPARE(h.timetable(), std::string());
        QVERIFY(!h.window.toolbarButton(ToolbarButton::Run)->isChecked());
        QCOMPARE(status(h), u("系统已停止运行"));
    }

    // The menu writes the timetable as a spreadsheet and takes one back, asking first; a bad row
    // changes nothing and says where.
    void aTimetableGoesToASpreadsheetAndBack() {
        Harness h(kA);
        h.start();
        const std::string csv = (h.home.path() / "a.csv").string();
        h.dialogs.chosenFile = csv;
        menuItem(h, "menuExportCsv")->trigger();
        QVERIFY(readWholeFile(csv).bytes.starts_with("\xEF\xBB\xBF音乐,播放次数,日,一,"));
        h.dialogs.answerYes = true;
        mustWrite(h.home.path() / "a.csv", readWholeFile(csv).bytes + "new.wav,2,0,1,1,1,1,1,0,7.30\r\n");
        menuItem(h, "menuImportCsv")->trigger();
        QCOMPARE(h.timetable(), kA + record("new.wav", "2", "0111110", {"07:30:00"}));
        QCOMPARE(h.window.rowCount(), 4);
        mustWrite(h.home.path() / "a.csv", readWholeFile(csv).bytes + "bad.wav,1,0,1,1,1,1,1,0,\r\n");
        menuItem(h, "menuImportCsv")->trigger();
        QCOMPARE(h.dialogs.errors.size(), 1u);
        QVERIFY(h.dialogs.errors[0].find(gbkFromUtf8("第 4 行：时间1 没有填写")) != std::string::npos);
        QCOMPARE(h.window.rowCount(), 4);
    }

    void trayDoubleClickRestoresAndShows() {
        Harness h;
        h.start();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        h.window.hide();
        h.controller.onTrayEvent(TrayEvent::Click); // a single click does nothing
        QVERIFY(!h.window.isVisible());
        h.controller.onTrayEvent(TrayEvent::DoubleClick);
        QVERIFY(h.window.isVisible());
        h.window.showMaximized();
        QTRY_VERIFY(h.window.isMaximized());
        h.controller.onTrayEvent(TrayEvent::DoubleClick);
        QTRY_VERIFY(!h.window.isMaximized());
        QVERIFY(h.window.isVisible());
    }

    void trayRightButtonOpensTheMenu() {
        Harness h;
        h.start();
        h.controller.onTrayEvent(TrayEvent::Menu);
        QTRY_VERIFY(h.window.popupMenu()->isVisible());
        h.window.popupMenu()->hide();
    }
};

QTEST_MAIN(CommandSurfaceTest)

#include "commandsurface_test.moc"
