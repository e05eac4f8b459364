#include "harness.h"
#include "records.h"
#include "shell/clockdriver.h"
#include "shell/trayicon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace ringvale;
using namespace ringvale::testing;

class StartupWindowTest : public QObject {
    Q_OBJECT

private slots:
    void restoresTheSavedStateIntoTheRealWindow() {
        Harness h;
        const std::filesystem::path& home = h.home.path();
        const std::string settings = gbkFromUtf8("[系统设置]\r\n作息表=4\r\n自动启动=1\r\n到托盘=0\r\n"
                                                 "[SYSTEM]\r\n关机时间=17:30:00\r\n地址=岳阳\r\n");
        QVERIFY(writeFileAtomic(home / "系统配置.INI", settings));
        QVERIFY(writeFileAtomic(home / "第5套作息表.INI",
                                record("D:\\bells\\bell.mp3", "1", "0111110", {"08:00:00", "12:00:00"}) +
                                    record("/srv/march.mp3", "2", "0111110", {"09:50:00"})));
        auto& window = h.window;
        auto& controller = h.controller;
        auto& clock = h.clock;
        auto& playback = h.playback;
        auto& commands = h.commands;
        h.start();

        QCOMPARE(window.timetableSelector()->currentIndex(), 4);
        QCOMPARE(window.timetableSelector()->currentText(), u("第5套作息表"));
        QVERIFY(window.findChild<QCheckBox*>(u("选择框1"))->isChecked());
        QVERIFY(!window.findChild<QCheckBox*>(u("选择框_到托盘"))->isChecked());
        QVERIFY(window.findChild<QCheckBox*>(u("选择框_关机"))->isChecked());
        QCOMPARE(window.findChild<QLineEdit*>(u("编辑框_关机时间"))->text(), u("17:30:00"));
        QCOMPARE(window.findChild<QLineEdit*>(u("编辑框_地址"))->text(), u("岳阳"));
        QCOMPARE(controller.state().shutdownTime, std::string("17:30:00"));
        QCOMPARE(window.rowCount(), 4);
        QCOMPARE(window.findChild<QTableView*>(u("高级表格"))->model()->index(1, 1).data().toString(),
                 u("march.mp3"));
        QVERIFY(controller.state().running);
        QVERIFY(window.toolbarButton(ToolbarButton::Run)->isChecked());
        QCOMPARE(window.findChild<QLabel*>(u("标签_状态"))->text(), u("系统正在运行中"));
        QVERIFY(window.clockDriver().isRunning());
        QCOMPARE(window.clockDriver().period(), 500);
        QVERIFY(window.trayIcon().isInstalled());
        QCOMPARE(window.trayIcon().toolTip(), u("Ringvale"));

        // The first tick, about half a second later.
        QSignalSpy ticks(&window, &MainWindow::clockTicked);
        QVERIFY(ticks.wait(1500));
        QCOMPARE(window.findChild<QLabel*>(u("标签_时间"))->text(), u("0天00时00分01秒"));
        QCOMPARE(window.findChild<QLabel*>(u("标签_下一条"))->text(), u("下一条：08:00:00  bell.mp3"));
        QVERIFY(commands.taken().empty()); // not 17:30: no shutdown asked

        // At 08:00 the bell rings.
        clock.set(2, 8, 0, 0);
        QVERIFY(ticks.wait(1500));
        QCOMPARE(playback.plays.back(), (FakePlayback::Call{1, "D:\\bells\\bell.mp3"}));
        QCOMPARE(window.findChild<QLabel*>(u("标签_状态"))->text(), u("正在播放:08:00:00  bell.mp3"));
        QCOMPARE(window.currentRow(), 1);

        // At 17:30, running with the box ticked: power-off is asked (and refused by the fake).
        clock.set(2, 17, 30, 5);
        QTRY_VERIFY(!commands.taken().empty());
        QCOMPARE(commands.taken().front(),
                 (std::vector<std::string>{"systemctl", "poweroff", "--ignore-inhibitors"}));
    }

    void firstStartWithNothingSaved() {
        Harness h;
        auto& window = h.window;
        auto& controller = h.controller;
        controller.start();
        QCOMPARE(window.timetableSelector()->currentIndex(), 0);
        QCOMPARE(window.rowCount(), 2);
        QVERIFY(!controller.state().running);
        QCOMPARE(window.findChild<QLabel*>(u("标签_状态"))->text(), QString());
        QVERIFY(!window.findChild<QCheckBox*>(u("选择框_关机"))->isChecked());
        QCOMPARE(window.findChild<QLineEdit*>(u("编辑框_地址"))->text(), QString());
    }

    void clockIsAlignedToWallClockHalfSeconds() {
        using namespace std::chrono;
        const auto at = [](long ms) { return system_clock::time_point(milliseconds(ms)); };
        QCOMPARE(ClockDriver::delayToNextBoundary(at(1000), 500), 502);
        QCOMPARE(ClockDriver::delayToNextBoundary(at(1002), 500), 500);
        QCOMPARE(ClockDriver::delayToNextBoundary(at(1499), 500), 3);
        QCOMPARE(ClockDriver::delayToNextBoundary(at(1250), 500), 252);
        QVERIFY(ClockDriver::nextBoundary(at(1250), 500) == at(1500));
        QVERIFY(ClockDriver::nextBoundary(at(1500), 500) == at(2000));
    }
};

QTEST_MAIN(StartupWindowTest)

#include "startupwindow_test.moc"
