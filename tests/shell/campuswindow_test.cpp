#include "harness.h"
#include "records.h"
#include "shell/campusview.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace ringvale;
using namespace ringvale::testing;

class CampusTest : public QObject {
    Q_OBJECT

    static void click(QWidget& window, const char* name) {
        auto* button = window.findChild<QAbstractButton*>(QString::fromUtf8(name));
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    // The office's play now reaches the buildings; its window lists them and sounds an alarm.
    void theOfficesWindowSendsItsPlaysAndListsTheBuildings() {
        Harness h(record("bell.mp3", "2", "1111111", {"08:00:00"}), "127.0.0.1:1", CampusRole::Office);
        h.start();
        h.window.moveCursor(1, 1);
        emit h.window.playNowRequested();
        std::string why;
        QCOMPARE(h.campusLink->published.size(), std::size_t(2)); // play now stops what plays, then plays
        QCOMPARE(decodeCommand(h.campusLink->published[0].payload, why)->kind, CampusCommand::Kind::Stop);
        const auto play = decodeCommand(h.campusLink->published[1].payload, why);
        QVERIFY(play);
        QCOMPARE(play->path, std::string("bell.mp3"));
        QCOMPARE(play->count, 2);

        const std::int64_t now =
            std::chrono::duration_cast<std::chrono::milliseconds>(h.clock.time.time_since_epoch()).count();
        h.campusLink->deliver("ringvale/north/status/b1",
                              encodeStatus({true, "1.0.0", -4, "08:00:00", "rang", now - 4}));
        // b2's clock is 1.5 s ahead of the office's; b3 said it was online long ago and fell silent.
        h.campusLink->deliver("ringvale/north/status/b2",
                              encodeStatus({true, "1.0.0", 1500, "08:00:00", "rang", now + 1500}));
        h.campusLink->deliver("ringvale/north/status/b3",
                              encodeStatus({true, "1.0.0", 0, "08:00:00", "rang", now - 3'600'000}));
        click(h.window, "campusButton");
        CampusView* view = h.controller.campusView();
        QVERIFY(view);
        auto* table = view->findChild<QTableWidget*>(QStringLiteral("campusBuildings"));
        QTRY_COMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("b1"));
        QCOMPARE(table->item(0, 3)->text(), QStringLiteral("-4 ms"));
        QCOMPARE(table->item(1, 3)->text(), u("1500 ms（时钟不准）"));
        QCOMPARE(table->item(1, 3)->foreground().color(), QColor(192, 0, 0));
        QCOMPARE(table->item(1, 1)->text(), u("在线"));
        QCOMPARE(table->item(2, 1)->text(), u("离线"));

        h.dialogs.chosenFile = "alarm.mp3";
        click(*view, "campusAlarm");
        const auto alarm = decodeCommand(h.campusLink->published.back().payload, why);
        QVERIFY(alarm);
        QCOMPARE(alarm->kind, CampusCommand::Kind::Alarm);
        QCOMPARE(h.playback.plays.back().count, -1);
        click(*view, "campusStop");
        QCOMPARE(decodeCommand(h.campusLink->published.back().payload, why)->kind, CampusCommand::Kind::Stop);
        const std::size_t sent = h.campusLink->published.size();
        h.controller.onToolbarClick(static_cast<int>(ToolbarButton::StopPlaying));
        QCOMPARE(h.campusLink->published.size(), sent + 1); // the toolbar's stop reaches them too
    }

    // The form saves the link in a file of its own, and refuses one without credentials unless told.
    void theFormSavesOnlyALinkThatMayStart() {
        Harness h;
        h.start();
        h.controller.onToolbarClick(static_cast<int>(ToolbarButton::SettingsAndHelp));
        click(h.window, "按钮_校园");
        CampusView* view = h.controller.campusView();
        view->findChild<QLineEdit*>(QStringLiteral("campusAddress"))
            ->setText(QStringLiteral("mqtt://broker/north"));
        click(*view, "campusSave");
        QCOMPARE(h.dialogs.errors.size(), std::size_t(1));
        QVERIFY(!readCampusSetup(h.home.path()).setup);
        view->findChild<QCheckBox*>(QStringLiteral("campusInsecure"))->setChecked(true);
        view->findChild<QCheckBox*>(QStringLiteral("campusOffice"))->setChecked(true);
        click(*view, "campusSave");
        const auto saved = readCampusSetup(h.home.path()).setup;
        QVERIFY(saved);
        QCOMPARE(saved->role, CampusRole::Office);
        QVERIFY(saved->insecure);
    }

    // Before a logoff the session manager asks: with 到托盘 ticked the window hides and declines.
    void aLogoffFollowsTheCloseRule() {
        Harness h;
        h.start();
        h.window.toTrayBox()->setChecked(true);
        QVERIFY(!h.window.answerEndOfSession());
        QVERIFY(!h.window.isVisible());
        h.window.toTrayBox()->setChecked(false);
        QVERIFY(h.window.answerEndOfSession());
    }
};

QTEST_MAIN(CampusTest)
#include "campuswindow_test.moc"
