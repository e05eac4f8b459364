#include "core/belldayfiles.h"
#include "harness.h"
#include "records.h"
#include "shell/calendarview.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

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

    // One click opens the calendar; entries are added, changed, refused and removed through its
    // controls, and a holiday file is imported; the preview follows.
    void theCalendarWindowEditsTheFileAndPreviewsTheWeek() {
        Harness h(record("spring.wav", "1", "0111110", {"08:00:00"}));
        h.start();
        QTest::mouseClick(h.window.findChild<QToolButton*>(QStringLiteral("calendarButton")), Qt::LeftButton);
        CalendarView* view = h.controller.calendarView();
        QVERIFY(view && view->isVisible());
        // What each change would ring differently is shown first; the answer decides.
        std::vector<std::vector<CalendarChangeRow>> shown;
        bool apply = true;
        view->setChangeConfirmer([&](const QString&, const std::vector<CalendarChangeRow>& rows) {
            shown.push_back(rows);
            return apply;
        });
        const auto set = [&](int section, const char* key, const char* value) {
            view->findChild<QComboBox*>(QStringLiteral("calendarSection"))->setCurrentIndex(section);
            view->findChild<QLineEdit*>(QStringLiteral("calendarKey"))->setText(u(key));
            view->findChild<QLineEdit*>(QStringLiteral("calendarValue"))->setText(u(value));
            QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("calendarSet")), Qt::LeftButton);
        };
        set(0, "05-01~09-30", "夏季作息表");
        set(1, "2026-01-06", "期末考试");
        set(1, "2026-01-06", "补考"); // a change of the same day
        set(0, "2026-13-01", "夏季作息表");
        set(0, "05-01", "第99套作息表");
        QCOMPARE(h.dialogs.errors.size(), 2u);
        QCOMPARE(shown.size(), 3u);
        QCOMPARE(shown[1].size(), 1u); // the harness's today is Monday 5 January 2026
        QCOMPARE(shown[1][0].date, u("2026-01-06 周二"));
        QCOMPARE(shown[1][0].before, u("作息表：春季作息表，1 次铃"));
        QCOMPARE(shown[1][0].after, u("不打铃：期末考试"));
        apply = false;
        set(1, "2026-01-07", "校运会");
        apply = true;
        QCOMPARE(readWholeFile(h.home.path() / "校历.INI").bytes,
                 gbkFromUtf8("[作息表]\r\n05-01~09-30=夏季作息表\r\n[不打铃]\r\n2026-01-06=补考\r\n"));
        const QString preview =
            view->findChild<QPlainTextEdit*>(QStringLiteral("calendarPreview"))->toPlainText();
        QVERIFY(preview.startsWith(u("2026-01-05 周一\n")));
        QVERIFY(preview.contains(u("    作息表：春季作息表\n    08:00:00  spring.wav  播放1次\n")));
        QVERIFY(preview.contains(u("    不打铃：补考\n")));

        // Choosing the no-bell row fills the fields; 删除 removes it.
        auto* entries = view->findChild<QTableWidget*>(QStringLiteral("calendarEntries"));
        QTest::mouseClick(entries->viewport(), Qt::LeftButton, {},
                          entries->visualItemRect(entries->item(1, 1)).center());
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("calendarRemove")), Qt::LeftButton);
        mustWrite(h.home.path() / "in.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n"
                                            "DTSTART;VALUE=DATE:20260501\r\nSUMMARY:May Day\r\nEND:VEVENT\r\n"
                                            "END:VCALENDAR\r\n");
        view->setImportChooser([&] { return QString::fromStdString((h.home.path() / "in.ics").string()); });
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("calendarImport")), Qt::LeftButton);
        QCOMPARE(readWholeFile(h.home.path() / "校历.INI").bytes,
                 gbkFromUtf8("[作息表]\r\n05-01~09-30=夏季作息表\r\n[不打铃]\r\n2026-05-01=May Day\r\n"));
        QCOMPARE(entries->rowCount(), 2);

        // A makeup Saturday rings the weekday its text names (or the one picked); the month shows
        // it apart.
        view->findChild<QComboBox*>(QStringLiteral("calendarSection"))->setCurrentIndex(2);
        auto* weekday = view->findChild<QComboBox*>(QStringLiteral("calendarMakeupWeekday"));
        view->findChild<QLineEdit*>(QStringLiteral("calendarValue"))->setText(u("补周三的课"));
        weekday->setCurrentIndex(4);
        emit weekday->activated(4);
        QCOMPARE(view->findChild<QLineEdit*>(QStringLiteral("calendarValue"))->text(), u("周五 补的课"));
        set(2, "2026-01-10", "补周五的课");
        QCOMPARE(entries->rowCount(), 3);
        QVERIFY(readWholeFile(h.home.path() / "校历.INI")
                    .bytes.ends_with(gbkFromUtf8("[补课]\r\n2026-01-10=补周五的课\r\n")));
        QVERIFY(view->findChild<QPlainTextEdit*>(QStringLiteral("calendarPreview"))
                    ->toPlainText()
                    .contains(u("2026-01-10 周六\n    作息表：春季作息表（补课，按周五打铃）\n    08:00:00  "
                                "spring.wav  播放1次\n")));

        // A feed: fetched off the window's thread, shown first, then followed.
        view->setFeedFetch([](const std::string&) {
            return FeedFetch{true,
                             "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260108\r\n"
                             "SUMMARY:雪天\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
                             {}};
        });
        QSignalSpy ended(view, &CalendarView::subscriptionEnded);
        view->findChild<QLineEdit*>(QStringLiteral("calendarFeedUrl"))
            ->setText(u("webcal://127.0.0.1/k.ics"));
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("calendarSubscribe")), Qt::LeftButton);
        QTRY_COMPARE(ended.count(), 1);
        QCOMPARE(shown.back().size(), 1u);
        QCOMPARE(shown.back()[0].after, u("不打铃：雪天"));
        auto* feeds = view->findChild<QTableWidget*>(QStringLiteral("calendarFeeds"));
        QCOMPARE(feeds->item(0, 0)->text(), u("https://127.0.0.1/…"));
        QTest::mouseClick(feeds->viewport(), Qt::LeftButton, {},
                          feeds->visualItemRect(feeds->item(0, 0)).center());
        QVERIFY(readWholeFile(h.home.path() / "校历.INI").bytes.find(gbkFromUtf8("2026-01-08=雪天")) !=
                std::string::npos);
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("calendarUnsubscribe")),
                          Qt::LeftButton);
        QVERIFY(readWholeFile(h.home.path() / "校历.INI").bytes.find(gbkFromUtf8("雪天")) ==
                std::string::npos);
    }
};

QTEST_MAIN(CalendarTest)
#include "calendar_test.moc"
