#include "core/belldayfiles.h"
#include "fixtures.h"
#include "harness.h"
#include "records.h"
#include "shell/logview.h"
#include "shell/trayicon.h"
#include "tempdir.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

using namespace ringvale;
using namespace ringvale::testing;

class LogViewTest : public QObject {
    Q_OBJECT

    static QStringList column(QTableWidget* table, int column) {
        QStringList cells;
        for (int row = 0; row < table->rowCount(); ++row)
            cells << table->item(row, column)->text();
        return cells;
    }

private slots:
    // The harness's clock says Monday 07:30: the 07:00 bell was due while nothing ran.
    void startUpFindsTheBellsMissedSinceTheLastActivityAndTheLogWindowShowsThem() {
        const std::string bells = fixture("square_a.wav");
        Harness h(record(bells, "1", "0111110", {"07:00:00", "07:20:00"}) +
                  record("/nowhere/gone.mp3", "1", "0111110", {"09:00:00"}));
        const LogDay today = logDayOf(localTimeAt(h.clock.time));
        BellEntry earlier;
        earlier.at = localTimeAt(h.clock.time - std::chrono::minutes(15)); // 07:15: the program ran then
        earlier.detail = "exit";
        QVERIFY(BellDayFiles(h.home.path()).append(earlier));
        h.start();

        const std::vector<BellEntry> logged = BellDayFiles(h.home.path()).readDay(today);
        QStringList events;
        for (const BellEntry& entry : logged)
            events << QString::fromStdString(std::string(bellEventName(entry.event)) + " " + entry.due + " " +
                                             entry.detail);
        QCOMPARE(events, (QStringList{u("system  exit"), u("system  music file not found"),
                                      u("missed 07:20:00 the program was not running"),
                                      u("system  start, timetable 春季作息表, running")}));
        QCOMPARE(h.window.trayIcon().lastNotification(),
                 u("铃声错过: 07:20:00 ") + QString::fromStdString(utf8FromGbk(bells)) + u("\n程序没有运行"));

        // The missing file's music cell is red and says why; its text is unchanged.
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        const QModelIndex gone = grid->model()->index(1, 1);
        QCOMPARE(gone.data().toString(), u("gone.mp3"));
        QCOMPARE(gone.data(Qt::ToolTipRole).toString(), u("音乐文件无法播放：not found"));
        QVERIFY(!grid->model()->index(0, 1).data(Qt::ToolTipRole).isValid());

        // One click opens today's log, newest first, the missed bell marked.
        QTest::mouseClick(h.window.findChild<QToolButton*>(QStringLiteral("logButton")), Qt::LeftButton);
        LogView* view = h.controller.logView();
        QVERIFY(view && view->isVisible());
        auto* table = view->findChild<QTableWidget*>(QStringLiteral("logTable"));
        QCOMPARE(column(table, 1), (QStringList{u("系统"), u("错过"), u("系统"), u("系统")}));
        QCOMPARE(table->item(1, 0)->background().color(), QColor(255, 228, 228));
        QCOMPARE(table->item(0, 0)->background().style(), Qt::NoBrush);

        // A new entry arrives at the top; another day shows that day's file.
        h.window.popupMenu()->findChild<QAction*>(QStringLiteral("menuStopPlaying"))->trigger();
        QCOMPARE(table->item(0, 1)->text(), u("停止"));
        view->findChild<QDateEdit*>(QStringLiteral("logDayPicker"))->setDate(QDate(2020, 1, 1));
        QCOMPARE(table->rowCount(), 0);

        // The export writes the chosen day as CSV.
        view->showDay(today);
        const std::filesystem::path csv = h.home.path() / "day.csv";
        view->setExportChooser([&](const QString& suggested) {
            if (suggested != QString::fromStdString(logDayText(today)) + u(".csv"))
                return QString();
            return QString::fromStdString(csv.string());
        });
        view->exportDay();
        const std::string exported = readWholeFile(csv).bytes;
        QVERIFY(exported.starts_with("at,event,due,timetable,row,file,detail\r\n"));
        QCOMPARE(std::count(exported.begin(), exported.end(), '\n'), 6); // the header and five entries
    }

    // The window says each detail in Chinese; one it does not know stays as it is.
    void detailsAreShownInChinese() {
        const std::pair<const char*, const char*> cases[] = {
            {"onset 12 ms, device pulseaudio", "起音 12 毫秒，输出 pulseaudio"},
            {"the program was not running", "程序没有运行"},
            {"no sound device: Connection refused", "没有声音设备：Connection refused"},
            {"start, timetable 春季作息表, running", "启动，作息表 春季作息表，运行中"},
            {"something new", "something new"},
            {"web 王老师: stop", "网页 王老师：停止播放"},
            {"lockdown, set by web op 2026-12-10 08:00:00", "全校停铃，设置者 web op 2026-12-10 08:00:00"},
        };
        for (const auto& [english, chinese] : cases)
            QCOMPARE(LogView::detailText(english), u(chinese));
    }

    // A day of 2,500 entries shows a page of the newest thousand at a time.
    void aLargeDayIsShownAPageAtATime() {
        testing::TempDir home;
        const BellDayFiles files(home.path());
        FakeDialogs dialogs;
        BellEntry entry;
        entry.at = LocalTime{2, 8, 0, 0, 2026, 3, 2, 0};
        for (int n = 0; n < 2500; ++n) {
            entry.detail = std::to_string(n);
            QVERIFY(files.append(entry));
        }
        LogView view(files, dialogs);
        view.showDay({2026, 3, 2});
        auto* table = view.findChild<QTableWidget*>(QStringLiteral("logTable"));
        auto* page = view.findChild<QLabel*>(QStringLiteral("logPage"));
        struct Step {
            const char* button; // clicked before looking
            int rows;
            const char* first; // the detail of the top row
            const char* label;
        };
        const Step steps[] = {{nullptr, 1000, "2499", "第 1 / 3 页，共 2500 条"},
                              {"logOlder", 1000, "1499", "第 2 / 3 页，共 2500 条"},
                              {"logOlder", 500, "499", "第 3 / 3 页，共 2500 条"},
                              {"logNewer", 1000, "1499", "第 2 / 3 页，共 2500 条"}};
        for (const Step& step : steps) {
            if (step.button)
                QTest::mouseClick(view.findChild<QPushButton*>(QString::fromUtf8(step.button)),
                                  Qt::LeftButton);
            QCOMPARE(table->rowCount(), step.rows);
            QCOMPARE(table->item(0, 6)->text(), u(step.first));
            QCOMPARE(page->text(), u(step.label));
        }
    }
};

QTEST_MAIN(LogViewTest)
#include "logview_test.moc"
