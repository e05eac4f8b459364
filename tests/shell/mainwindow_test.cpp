#include "shell/gbkqt.h"
#include "shell/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>

using namespace ringvale;

class MainWindowTest : public QObject {
    Q_OBJECT

    template <typename T> T* find(MainWindow& window, const char* name) {
        T* widget = window.findChild<T*>(QString::fromUtf8(name));
        if (!widget)
            qFatal("control %s not found", name);
        return widget;
    }

    static QString u(const char* utf8) { return QString::fromUtf8(utf8); }

private slots:
    void everyControlHasItsNameKindAndDesign() {
        MainWindow window;
        QCOMPARE(window.windowTitle(), u("Velmora校园广播--电脑自动打铃软件系统 V1.0"));
        struct Fixed {
            const char* name;
            QRect rect;
            const char* text;
        };
        const Fixed checkBoxes[] = {{"选择框_到托盘", {24, 96, 96, 24}, "最小化到托盘"},
                                    {"选择框1", {24, 72, 80, 16}, "随系统启动"},
                                    {"选择框_关机", {8, 176, 72, 32}, "自动关机"}};
        for (const auto& c : checkBoxes) {
            auto* box = find<QCheckBox>(window, c.name);
            QCOMPARE(box->geometry(), c.rect);
            QCOMPARE(box->text(), u(c.text));
            QVERIFY(!box->isChecked());
        }
        QCOMPARE(find<QLineEdit>(window, "编辑框_地址")->geometry(), QRect(51, 125, 109, 32));
        QCOMPARE(find<QLineEdit>(window, "编辑框_地址")->text(), u("华容"));
        QCOMPARE(find<QLineEdit>(window, "编辑框_关机时间")->geometry(), QRect(79, 180, 112, 24));
        QCOMPARE(find<QLineEdit>(window, "编辑框_关机时间")->text(), QString());
        QCOMPARE(find<QPushButton>(window, "按钮1")->text(), u("确定"));
        QCOMPARE(find<QPushButton>(window, "按钮1")->geometry(), QRect(163, 127, 37, 32));
        QCOMPARE(find<QLabel>(window, "标签21")->text(), u("你所在县"));
        QCOMPARE(find<QLabel>(window, "标签21")->geometry(), QRect(2, 120, 48, 40));
        QCOMPARE(find<QLabel>(window, "图片框1")->geometry(), QRect(760, 0, 57, 37));
        QCOMPARE(find<QComboBox>(window, "组合框")->geometry(), QRect(824, 0, 192, 27));
        QCOMPARE(find<QGroupBox>(window, "分组框1")->geometry(), QRect(504, 72, 584, 435));
        QCOMPARE(find<QGroupBox>(window, "分组框1")->title(),
                 u("点歌台 ---------- 左击播放与选歌，右击清除"));
        QCOMPARE(find<QToolBar>(window, "工具条2")->geometry().topLeft(), QPoint(0, 8));
        QCOMPARE(find<QToolBar>(window, "工具条2")->height(), 55);
        QVERIFY(find<QPlainTextEdit>(window, "编辑框_帮助")->isReadOnly());
        QVERIFY(find<QPlainTextEdit>(window, "编辑框_帮助")
                    ->toPlainText()
                    .contains(u("*点击图形按钮空白处可返回。")));
        QVERIFY(window.findChild<QTimer*>(u("时钟")));
        const QColor nextColour = find<QLabel>(window, "标签_下一条")->palette().color(QPalette::WindowText);
        QCOMPARE(nextColour, QColor(0, 96, 192));
        for (const char* name : {"标签_时间", "标签_下一条", "标签_状态"}) {
            QCOMPARE(find<QLabel>(window, name)->font().pixelSize(), 19);
            QVERIFY(find<QLabel>(window, name)->frameShape() != QFrame::NoFrame);
            QCOMPARE(find<QLabel>(window, name)->text(), QString());
        }
        QVERIFY(find<QLabel>(window, "标签_时间")->alignment() & Qt::AlignHCenter);
    }

    void songSlotsSitInTwoUnevenColumns() {
        MainWindow window;
        const int tops[] = {29, 64, 99, 136, 174, 211, 248, 288, 325, 362};
        auto* group = find<QGroupBox>(window, "分组框1");
        for (int n = 1; n <= 20; ++n) {
            const QByteArray name = "标签" + QByteArray::number(n);
            auto* slot = group->findChild<QLabel*>(QString::fromUtf8(name));
            QVERIFY2(slot, name.constData());
            QCOMPARE(slot->geometry(), QRect(n % 2 ? 16 : 320, tops[(n - 1) / 2], 250, 24));
            QCOMPARE(slot->cursor().shape(), Qt::PointingHandCursor);
            QCOMPARE(slot->text(), QString());
            QVERIFY(slot->frameShape() != QFrame::NoFrame);
            QCOMPARE(window.songSlot(n), slot);
        }
    }

    void selectorHoldsTheSeventeenTimetables() {
        MainWindow window;
        auto* box = find<QComboBox>(window, "组合框");
        QCOMPARE(box->count(), 17);
        QVERIFY(box->isEditable());
        QCOMPARE(box->itemText(0), u("春季作息表"));
        QCOMPARE(box->itemText(1), u("夏季作息表"));
        QCOMPARE(box->itemText(2), u("秋季作息表"));
        QCOMPARE(box->itemText(3), u("冬季作息表"));
        for (int k = 4; k < 17; ++k)
            QCOMPARE(box->itemText(k), u("第") + QString::number(k + 1) + u("套作息表"));
        QCOMPARE(box->currentIndex(), 0);
    }

    void toolbarHasItsFifteenButtons() {
        MainWindow window;
        const char* captions[] = {"", "新增",     "设置与帮助", "",       "退出", "", "", "开始运行",
                                  "", "停止播放", "",           "点歌台", "",     "", ""};
        const bool separators[] = {true,  false, false, true,  false, true,  false, false,
                                   false, false, false, false, false, false, false};
        const bool enabled[] = {true,  true, true,  true, true,  true,  false, true,
                                false, true, false, true, false, false, true};
        const bool images[] = {false, true, true,  false, true,  false, false, true,
                               false, true, false, true,  false, false, false};
        for (int i = 0; i < MainWindow::kToolbarButtonCount; ++i) {
            QAction* button = window.toolbarButton(i);
            QVERIFY(button);
            QCOMPARE(button->isSeparator(), separators[i]);
            if (separators[i])
                continue;
            QCOMPARE(button->text(), u(captions[i]));
            QCOMPARE(button->isEnabled(), enabled[i]);
            QCOMPARE(!button->icon().isNull(), images[i]);
            QCOMPARE(button->isCheckable(), i == 7);
        }
        QCOMPARE(window.toolbarButton(1)->toolTip(), u("新添加定时播放的音乐"));
        QCOMPARE(window.toolbarButton(ToolbarButton::Run)->toolTip(),
                 u("此按钮按下则软件运行，按时播放音乐，没有按下则不播放音乐"));
        QCOMPARE(window.toolbarButton(9)->toolTip(), u("停止正在播放的音乐"));
        QVERIFY(!window.toolbarButtonHasToolTip(2));
        QVERIFY(!window.toolbarButtonHasToolTip(14));
        QVERIFY(window.toolbarButtonHasToolTip(7));

        QSignalSpy clicks(&window, &MainWindow::toolbarButtonClicked);
        window.toolbarButton(9)->trigger();
        window.toolbarButton(ToolbarButton::Run)->trigger();
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(clicks.at(0).at(0).toInt(), 9);
        QCOMPARE(clicks.at(1).at(0).toInt(), 7);
        window.setRunningShown(false);
        QVERIFY(!window.toolbarButton(ToolbarButton::Run)->isChecked());
        window.setRunningShown(true);
        QVERIFY(window.toolbarButton(ToolbarButton::Run)->isChecked());
    }

    void layoutRuleAtTheDesignSizeAndMaximised() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.frameGeometry().size(), QSize(1100, 600));
        QCOMPARE(find<QTableView>(window, "高级表格")->geometry(), QRect(0, 56, 1095, 475));
        QCOMPARE(find<QLabel>(window, "标签_状态")->geometry(), QRect(0, 530, 460, 40));
        QCOMPARE(find<QLabel>(window, "标签_下一条")->geometry(), QRect(459, 530, 464, 40));
        QCOMPARE(find<QLabel>(window, "标签_时间")->geometry(), QRect(922, 530, 170, 40));
        QCOMPARE(find<QPlainTextEdit>(window, "编辑框_帮助")->geometry(), QRect(250, 56, 850, 470));

        window.showMaximized();
        QTRY_VERIFY(window.frameGeometry().size() != QSize(1100, 600));
        const QSize big = window.frameGeometry().size();
        QCOMPARE(find<QTableView>(window, "高级表格")->geometry(),
                 QRect(0, 56, big.width() - 5, big.height() - 125));
        QCOMPARE(find<QPlainTextEdit>(window, "编辑框_帮助")->geometry(), QRect(250, 56, 850, 470));
        const int c = (big.width() - 180) / 2;
        QCOMPARE(find<QLabel>(window, "标签_下一条")->geometry(), QRect(c - 1, big.height() - 70, c + 4, 40));
        QCOMPARE(find<QLabel>(window, "标签_时间")->pos(), QPoint(big.width() - 178, big.height() - 70));

        window.showNormal();
        QTRY_COMPARE(window.frameGeometry().size(), QSize(1100, 600));
        QCOMPARE(find<QTableView>(window, "高级表格")->geometry(), QRect(0, 56, 1095, 475));
    }

    void dragResizingSnapsBack() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(900, 500);
        QTRY_COMPARE(window.frameGeometry().size(), QSize(1100, 600));
    }

    void threeViewsAndTheirCoverings() {
        MainWindow window;
        window.show();
        auto* grid = find<QTableView>(window, "高级表格");
        auto* help = find<QPlainTextEdit>(window, "编辑框_帮助");
        auto* songs = find<QGroupBox>(window, "分组框1");
        QCOMPARE(window.currentView(), MainWindow::View::Schedule);
        // Stacking: later siblings lie above earlier ones.
        const QObjectList& children = window.children();
        QVERIFY(children.indexOf(grid) > children.indexOf(help));
        QVERIFY(children.indexOf(help) > children.indexOf(songs));
        QVERIFY(children.indexOf(songs) > children.indexOf(find<QCheckBox>(window, "选择框_到托盘")));
        // The help text does not reach over the settings controls on the left.
        QVERIFY(help->geometry().left() >= find<QLineEdit>(window, "编辑框_关机时间")->geometry().right());

        window.showSettingsAndHelpView();
        QCOMPARE(window.currentView(), MainWindow::View::SettingsAndHelp);
        QVERIFY(!grid->isVisible());
        QVERIFY(help->isVisible());
        window.showSongStationView();
        QCOMPARE(window.currentView(), MainWindow::View::SongStation);
        QVERIFY(!help->isVisible());
        QVERIFY(songs->isVisible());
        window.showScheduleView();
        QCOMPARE(window.currentView(), MainWindow::View::Schedule);
        QVERIFY(grid->isVisible());
    }

    void closeRuleFollowsTheTrayOption() {
        MainWindow window;
        QSignalSpy ends(&window, &MainWindow::programEndRequested);
        window.show();
        window.toTrayBox()->setChecked(true);
        window.close();
        QVERIFY(!window.isVisible());
        QCOMPARE(ends.count(), 0);

        window.show();
        window.toTrayBox()->setChecked(false);
        window.close();
        QCOMPARE(ends.count(), 1);
    }

    void escapeMakesTheSameCloseRequest() {
        MainWindow window;
        QSignalSpy ends(&window, &MainWindow::programEndRequested);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(ends.count(), 1);
    }

    void minimiseHidesOnlyWithTheTrayOption() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.showMinimized();
        // The hide would come from a zero-time timer: let every pending event and timer run.
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QVERIFY(window.isVisible());
        window.showNormal();
        window.toTrayBox()->setChecked(true);
        window.showMinimized();
        QTRY_VERIFY(!window.isVisible());
    }

    void gridKeepsItsLayoutAndEmptyLastRow() {
        MainWindow window;
        auto* grid = find<QTableView>(window, "高级表格");
        QCOMPARE(window.rowCount(), 2);
        QCOMPARE(grid->model()->columnCount(), 31);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), u("序号"));
        QCOMPARE(grid->model()->headerData(30, Qt::Horizontal).toString(), u("时间21"));
        QCOMPARE(grid->columnWidth(0), 40);
        QCOMPARE(grid->columnWidth(1), 300);
        QCOMPARE(grid->columnWidth(3), 20);
        QCOMPARE(grid->columnWidth(10), 80);
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 30);
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
        QCOMPARE(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

        GridRow first;
        first[0] = "1";
        first[1] = gbkFromQt(u("上课.mp3"));
        GridRow second;
        second[0] = "2";
        window.appendRuleRows({first, second});
        QCOMPARE(window.rowCount(), 4);
        QCOMPARE(grid->model()->index(0, 1).data().toString(), u("上课.mp3"));
        QCOMPARE(grid->model()->index(2, 0).data().toString(), QString()); // the empty last row
        QCOMPARE(grid->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignLeft,
                 Qt::AlignLeft);
        QCOMPARE(grid->model()->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignCenter);

        QCOMPARE(window.currentRow(), -1);
        window.moveCursor(2, 0);
        QCOMPARE(window.currentRow(), 2);
        window.resetRuleGrid();
        QCOMPARE(window.rowCount(), 2);
        QCOMPARE(grid->columnWidth(1), 300);
    }

    void rightPressDoesNotMoveTheCursor() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        GridRow row;
        window.appendRuleRows({row, row, row});
        auto* grid = find<QTableView>(window, "高级表格");
        window.moveCursor(1, 0);
        const QRect third = grid->visualRect(grid->model()->index(2, 1));
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, third.center());
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, third.center());
        QCOMPARE(window.currentRow(), 1);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, third.center());
        QCOMPARE(window.currentRow(), 3);
    }

    void statusTextsArriveInChinese() {
        MainWindow window;
        window.setStatusText(gbkFromQt(u("系统正在运行中")));
        window.setNextRuleText(gbkFromQt(u("下一条：08:00:00  bell.mp3")));
        QCOMPARE(find<QLabel>(window, "标签_状态")->text(), u("系统正在运行中"));
        QCOMPARE(find<QLabel>(window, "标签_下一条")->text(), u("下一条：08:00:00  bell.mp3"));
    }
};

QTEST_MAIN(MainWindowTest)

#include "mainwindow_test.moc"
