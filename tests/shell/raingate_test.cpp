#include "core/belldayfiles.h"
#include "core/filestore.h"
#include "core/raingate.h"
#include "core/rulesound.h"
#include "forecastpage.h"
#include "harness.h"
#include "httpserver.h"
#include "records.h"
#include "shell/ruleeditorwindow.h"
#include "shell/rulesounddialog.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ringvale;
using namespace ringvale::testing;

namespace {
const std::string kGated = record("gated.wav", "1", "0111110", {"08:00:00"});
const std::string kPlain = record("plain.wav", "1", "0111110", {"08:00:00"});
} // namespace

class RainGateTest : public QObject {
    Q_OBJECT

    static void tickAt(Harness& h, int hour, int minute) {
        h.clock.time = localInstant(2, hour, minute, 0); // a Monday
        emit h.window.clockTicked(
            std::chrono::duration_cast<std::chrono::milliseconds>(h.clock.time.time_since_epoch()).count());
    }
    static std::vector<BellEntry> logged(Harness& h) {
        return BellDayFiles(h.home.path()).readDay({2026, 1, 5});
    }
    static bool hasEntry(Harness& h, BellEvent event, const std::string& detail) {
        const auto entries = logged(h);
        return std::any_of(entries.begin(), entries.end(),
                           [&](const BellEntry& e) { return e.event == event && e.detail == detail; });
    }

private slots:
    // Half an hour ahead the weather is checked; on rain the gated bell is skipped, the other rings.
    void aGatedBellIsSkippedOnRainAndRingsWhenTheWeatherIsUnknown() {
        for (const bool rain : {true, false}) {
            HttpServer server;
            server.respond("/search.php", forecastPage("xiaoyu.", "小雨转阴"));
            // Without rain, the weather service is a closed port: no usable page.
            const std::string host = rain ? server.host() : std::string("127.0.0.1:1");
            Harness h(kGated + kPlain, host);
            mustWrite(rainGatePath(fromFileName(h.home.path()) + "/" + gbkFromUtf8("春季作息表.INI")),
                      std::string(kGated.substr(0, kGated.size() - 2)) + "\r\n");
            h.start();
            tickAt(h, 7, 30);
            QTRY_VERIFY(hasEntry(h, BellEvent::System,
                                 rain ? "weather for (no county saved): 小雨转阴 (rain)"
                                      : "weather for (no county saved): no usable page from " + host));
            tickAt(h, 8, 0);
            tickAt(h, 8, 0);
            const std::vector<std::string> played = [&] {
                std::vector<std::string> paths;
                for (const auto& call : h.playback.plays)
                    paths.push_back(call.path);
                return paths;
            }();
            if (rain) {
                QCOMPARE(played, std::vector<std::string>{"plain.wav"});
                QVERIFY(hasEntry(h, BellEvent::Skipped, "rain forecast: 小雨转阴"));
            } else {
                QCOMPARE(played, (std::vector<std::string>{"gated.wav", "plain.wav"}));
                QVERIFY(hasEntry(h, BellEvent::System, "rain-gated bell rings: the weather was unknown"));
            }
        }
    }

    // The editor's 此条开启天气 is saved beside the timetable, shown again on modify, follows the
    // modified rule and goes with a deleted one; the timetable file keeps its format.
    void theFlagFollowsItsRuleThroughModifyAndDelete() {
        Harness h(kPlain + kGated);
        const std::string path = fromFileName(h.home.path()) + "/" + gbkFromUtf8("春季作息表.INI");
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        const QPoint second = grid->visualRect(grid->model()->index(1, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second);
        RuleEditorWindow* editor = h.controller.editorHost().editor();
        QVERIFY(editor);
        auto* weather = editor->findChild<QCheckBox*>(u("选择框_天气"));
        QVERIFY(!weather->isChecked());
        weather->setChecked(true);
        QTest::mouseClick(editor->findChild<QPushButton*>(u("按钮2")), Qt::LeftButton);
        QCOMPARE(h.timetable(), kPlain + kGated + "\r\n");
        QCOMPARE(readRainGates(path), std::set<std::string>{kGated.substr(0, kGated.size() - 2)});
        QVERIFY(h.controller.state().rules[2].rainGated);

        // Modified again: shown ticked; a new count moves the flag to the new record.
        weather->setChecked(false);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second);
        QVERIFY(weather->isChecked());
        editor->findChild<QLineEdit*>(u("编辑框_次数"))->setText(u("4"));
        QTest::mouseClick(editor->findChild<QPushButton*>(u("按钮2")), Qt::LeftButton);
        const std::string changed = record("gated.wav", "4", "0111110", {"08:00:00"});
        QCOMPARE(readRainGates(path), std::set<std::string>{changed.substr(0, changed.size() - 2)});

        h.window.moveCursor(2, 0);
        h.window.popupMenu()->findChild<QAction*>(QStringLiteral("menuDelete"))->trigger();
        QVERIFY(readRainGates(path).empty());
        QVERIFY(!std::filesystem::exists(rainGatePath(path)));
    }

    // 声音… chooses the outputs among the server's and a gain; they are kept beside the timetable
    // and shown again on modify, an output gone from the server still listed.
    void theOutputsAndGainAreChosenAndShownAgain() {
        Harness h(kPlain);
        const std::string path = fromFileName(h.home.path()) + "/" + gbkFromUtf8("春季作息表.INI");
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        const QPoint first = grid->visualRect(grid->model()->index(0, 1)).center();
        std::vector<SoundDevice> outputs = {{"hall", "教学楼"}, {"yard", "操场"}};
        RuleEditorWindow* editor = nullptr;
        for (const bool again : {false, true}) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first);
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, first);
            QTRY_VERIFY(editor || h.controller.editorHost().editor());
            if (!editor)
                editor = h.controller.editorHost().editor();
            editor->setOutputLister([&outputs] { return outputs; });
            QTest::mouseClick(editor->findChild<QPushButton*>(u("按钮_声音")), Qt::LeftButton);
            // The one open (a closed one may still wait to be deleted).
            const auto openDialog = [editor]() -> RuleSoundDialog* {
                for (RuleSoundDialog* open : editor->findChildren<RuleSoundDialog*>())
                    if (open->isVisible())
                        return open;
                return nullptr;
            };
            QTRY_VERIFY(openDialog());
            RuleSoundDialog* dialog = openDialog();
            auto* list = dialog->findChild<QListWidget*>(u("输出列表"));
            if (!again) {
                QCOMPARE(list->count(), 2);
                list->item(1)->setCheckState(Qt::Checked);
                dialog->findChild<QDoubleSpinBox*>(u("增益"))->setValue(-3);
                QTest::mouseClick(dialog->findChild<QPushButton*>(u("确定")), Qt::LeftButton);
                QTest::mouseClick(editor->findChild<QPushButton*>(u("按钮2")), Qt::LeftButton);
                QCOMPARE(readWholeFile(ruleSoundPath(path)).bytes,
                         kPlain.substr(0, kPlain.size() - 2) + "\tyard\t-3\r\n");
                QCOMPARE(h.controller.state().rules[1].sound, (RuleSound{{"yard"}, -3}));
                outputs.pop_back(); // the yard's speakers are taken away
            } else {
                QCOMPARE(list->count(), 2);
                QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
                QCOMPARE(list->item(1)->checkState(), Qt::Checked);
                QVERIFY(list->item(1)->text().startsWith(u("yard")));
                QCOMPARE(dialog->findChild<QDoubleSpinBox*>(u("增益"))->value(), -3.0);
                dialog->reject();
            }
        }
    }
};

QTEST_MAIN(RainGateTest)
#include "raingate_test.moc"
