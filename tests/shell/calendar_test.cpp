#include "core/belldayfiles.h"
#include "harness.h"
#include "records.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace ringvale;
using namespace ringvale::testing;

class CalendarTest : public QObject {
    Q_OBJECT

    static void tickAt(Harness& h, WallTime time) {
        h.clock.time = time;
        emit h.window.clockTicked(
            std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count());
    }

private slots:
    // Monday 5 January 2026 rings the summer timetable; Tuesday the 6th rings nothing.
    void midnightCarriesTheDayIntoItsTimetableAndIntoADayWithoutBells() {
        const std::string spring = record("spring.wav", "1", "0111110", {"08:00:00"});
        const std::string summer = record("summer.wav", "1", "0111110", {"08:00:00"}) +
                                   record("summer2.wav", "1", "0111110", {"09:00:00"});
        Harness h(spring);
        mustWrite(h.home.path() / "夏季作息表.INI", summer);
        mustWrite(h.home.path() / "校历.INI", gbkFromUtf8("[作息表]\r\n2026-01-05=夏季作息表\r\nnonsense\r\n"
                                                          "[不打铃]\r\n2026-01-06~2026-01-07=期末考试\r\n"));
        h.start();
        QCOMPARE(h.window.timetableSelector()->currentIndex(), 1);
        QCOMPARE(h.window.rowCount(), 4);
        QCOMPARE(h.controller.config().read(settings::systemSection(), settings::timetableKey()),
                 std::string("1"));

        // The operator's own switch holds for the rest of the day.
        h.window.timetableSelector()->setFocus();
        QTest::keyClick(h.window.timetableSelector(), Qt::Key_Up);
        QCOMPARE(h.window.rowCount(), 3);
        tickAt(h, localInstant(2, 23, 59, 59));
        QCOMPARE(h.window.timetableSelector()->currentIndex(), 0);

        // Past midnight: a day without bells. The 08:00 bell is skipped and said so.
        tickAt(h, localInstant(3, 0, 0, 0));
        tickAt(h, localInstant(3, 8, 0, 0));
        QVERIFY(h.playback.plays.empty());
        QCOMPARE(h.window.findChild<QLabel*>(u("标签_下一条"))->text(), u("今天不打铃：期末考试"));
        const auto logged = BellDayFiles(h.home.path()).readDay({2026, 1, 6});
        QVERIFY(std::any_of(logged.begin(), logged.end(), [](const BellEntry& e) {
            return e.event == BellEvent::Skipped && e.due == "08:00:00" &&
                   e.detail == "no bells today: 期末考试";
        }));
        const auto monday = BellDayFiles(h.home.path()).readDay({2026, 1, 5});
        QVERIFY(std::any_of(monday.begin(), monday.end(), [](const BellEntry& e) {
            return e.detail == "校历.INI: a line not understood, kept: nonsense";
        }));
    }
};

QTEST_MAIN(CalendarTest)
#include "calendar_test.moc"
