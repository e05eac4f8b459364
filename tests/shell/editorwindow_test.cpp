#include "harness.h"
#include "records.h"
#include "shell/ruleeditorwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace ringvale;
using namespace ringvale::testing;

class EditorWindowTest : public QObject {
    Q_OBJECT

    static RuleEditorWindow* openEditor(Harness& h) {
        h.controller.onToolbarClick(1);
        RuleEditorWindow* editor = h.controller.editorHost().editor();
        if (!editor)
            qFatal("the editor did not open");
        return editor;
    }
    template <typename T> static T* child(RuleEditorWindow* editor, const char* name) {
        T* widget = editor->findChild<T*>(QString::fromUtf8(name));
        if (!widget)
            qFatal("editor control %s not found", name);
        return widget;
    }

private slots:
    void freshEditorShowsItsDesign() {
        Harness h;
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        RuleEditorWindow* editor = openEditor(h);
        QMdiSubWindow* frame = h.controller.editorHost().editorWindow();
        QCOMPARE(frame->parentWidget(), &h.window);
        QCOMPARE(frame->pos(), QPoint(50, 50));
        QCOMPARE(frame->size(), QSize(680, 430));
        QCOMPARE(frame->windowTitle(), u("增加新任务"));
        QVERIFY(!(frame->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        const bool checked[] = {false, true, true, true, true, true, false};
        const char* captions[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
        for (int d = 0; d < 7; ++d) {
            auto* box =
                child<QCheckBox>(editor, QByteArray("选择框" + QByteArray::number(d + 1)).constData());
            QCOMPARE(box->isChecked(), checked[d]);
            QCOMPARE(box->text(), u(captions[d]));
            QCOMPARE(box->y(), 45);
            QVERIFY(box->toolTip().startsWith(u("勾选则")));
        }
        QCOMPARE(child<QLineEdit>(editor, "编辑框_次数")->text(), u("1"));
        QCOMPARE(child<QLineEdit>(editor, "编辑框_次数")->geometry(), QRect(520, 40, 32, 24));
        QVERIFY(child<QLineEdit>(editor, "编辑框1")->isReadOnly());
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->text(), QString());
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->geometry(), QRect(80, 5, 536, 32));
        QVERIFY(!child<QCheckBox>(editor, "选择框_天气")->isChecked());
        QCOMPARE(child<QCheckBox>(editor, "选择框_天气")->toolTip(), u("开启后，如果是雨天，就不会播放"));
        QCOMPARE(child<QPushButton>(editor, "按钮2")->text(), u("确定添加"));
        QCOMPARE(child<QPushButton>(editor, "按钮3")->text(), u("放弃退出"));
        QCOMPARE(child<QPushButton>(editor, "按钮4")->text(), u("清空"));
        // Slot placement: three columns of seven, boxes at 80, 304 and 528.
        QCOMPARE(editor->timeBox(1)->objectName(), u("编辑框2"));
        QCOMPARE(editor->timeBox(6)->objectName(), u("编辑框11"));
        QCOMPARE(editor->timeBox(21)->objectName(), u("编辑框22"));
        QCOMPARE(editor->timeBox(1)->geometry(), QRect(80, 77, 140, 24));
        QCOMPARE(editor->timeBox(8)->geometry(), QRect(304, 77, 140, 24));
        QCOMPARE(editor->timeBox(21)->geometry(), QRect(528, 317, 140, 24));
        QCOMPARE(child<QLabel>(editor, "标签10")->text(), u("时间8"));
        QCOMPARE(child<QLabel>(editor, "标签10")->x(), 232);
        QCOMPARE(child<QLabel>(editor, "标签7")->text(), u("时间21"));
        QCOMPARE(editor->timeBox(2)->toolTip(), u("要播放的时间，格式为：10：10：10，具体查看帮助文档"));
        QCOMPARE(editor->timeBox(4)->toolTip(), QString());
        QCOMPARE(editor->timeBox(1)->palette().color(QPalette::Text), QColor(255, 0, 0));
    }

    void typingTimesAndEnterMoveLikeTheTable() {
        Harness h;
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        RuleEditorWindow* editor = openEditor(h);
        editor->timeBox(2)->setFocus();
        QTest::keyClicks(editor->timeBox(2), QStringLiteral("8.5"));
        QTest::keyClick(editor->timeBox(2), Qt::Key_Return);
        QCOMPARE(editor->timeBox(2)->text(), u("08:05:00"));
        QVERIFY(editor->timeBox(3)->hasFocus());
        QTest::keyClicks(editor->timeBox(3), QStringLiteral("25:00"));
        QTest::keyClick(editor->timeBox(3), Qt::Key_Return);
        QCOMPARE(editor->timeBox(3)->text(), QString());
        QVERIFY(editor->timeBox(3)->hasFocus());
        // Full-width input, normalised on leaving.
        editor->timeBox(3)->insert(u("１０：１０")); // typed with an input method
        QTest::keyClick(editor->timeBox(3), Qt::Key_Return);
        QCOMPARE(editor->timeBox(3)->text(), u("10:10:00"));
    }

    void enterThroughAllSlotsEndsOnSaveAndSavesOnASecondEnter() {
        Harness h;
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        RuleEditorWindow* editor = openEditor(h);
        h.dialogs.chosenFile = "/srv/bells/bell.mp3";
        QTest::mouseClick(child<QPushButton>(editor, "按钮1"), Qt::LeftButton);
        QCOMPARE(h.dialogs.filters.back(), gbkFromUtf8("音乐文件(*.MP3;*.WMA)|*.MP3;*.WMA"));
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->text(), u("/srv/bells/bell.mp3"));
        editor->timeBox(1)->setFocus();
        for (int slot = 1; slot <= 21; ++slot) {
            QVERIFY2(editor->timeBox(slot)->hasFocus(), qPrintable(QString::number(slot)));
            QTest::keyClicks(editor->timeBox(slot),
                             QStringLiteral("%1:%2").arg(6 + slot / 3).arg((slot % 3) * 20));
            QTest::keyClick(editor->timeBox(slot), Qt::Key_Return);
        }
        QVERIFY(child<QPushButton>(editor, "按钮2")->hasFocus());
        QCOMPARE(h.timetable(), std::string());
        QTest::keyClick(child<QPushButton>(editor, "按钮2"), Qt::Key_Return);
        const std::string written = h.timetable();
        QVERIFY(written.starts_with("*{/srv/bells/bell.mp3;1;0;1;1;1;1;1;0;06:20:00;06:40:00;07:00:00;"));
        QVERIFY(written.ends_with(";13:00:00;}\r\n"));
        QCOMPARE(h.window.rowCount(), 3);
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->text(), QString());
        QCOMPARE(editor->timeBox(21)->text(), QString());
    }

    void clearAndAbandonWriteNothing() {
        Harness h;
        h.start();
        RuleEditorWindow* editor = openEditor(h);
        editor->timeBox(1)->setText(u("08:00:00"));
        editor->setMusicPath(u("/x.mp3"));
        child<QCheckBox>(editor, "选择框1")->setChecked(true);
        child<QLineEdit>(editor, "编辑框_次数")->setText(u("7"));
        QTest::mouseClick(child<QPushButton>(editor, "按钮4"), Qt::LeftButton);
        QCOMPARE(editor->timeBox(1)->text(), QString());
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->text(), QString());
        QCOMPARE(child<QLineEdit>(editor, "编辑框_次数")->text(), u("7"));
        QVERIFY(child<QCheckBox>(editor, "选择框1")->isChecked());
        editor->timeBox(1)->setText(u("08:00:00"));
        QTest::mouseClick(child<QPushButton>(editor, "按钮3"), Qt::LeftButton);
        QTRY_VERIFY(!h.controller.editorHost().editor());
        QVERIFY(!fileExists(h.home.path() / "春季作息表.INI"));
        // Opened again: the creation values.
        editor = openEditor(h);
        QCOMPARE(child<QLineEdit>(editor, "编辑框_次数")->text(), u("1"));
        QVERIFY(!child<QCheckBox>(editor, "选择框1")->isChecked());
    }

    void spinnerStepsWithinOneToAHundredWhileTypingIsFree() {
        Harness h;
        h.start();
        RuleEditorWindow* editor = openEditor(h);
        auto* count = child<QLineEdit>(editor, "编辑框_次数");
        auto* up = child<QToolButton>(editor, "编辑框_次数_增加");
        auto* down = child<QToolButton>(editor, "编辑框_次数_减少");
        QTest::mouseClick(down, Qt::LeftButton);
        QCOMPARE(count->text(), u("1"));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(count->text(), u("2"));
        count->setText(u("100"));
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(count->text(), u("100"));
        count->clear();
        QTest::keyClicks(count, u("x;*"));
        QCOMPARE(count->text(), u("x;*"));
    }

    void escapeClosesTheEditorOnly() {
        Harness h;
        QSignalSpy ends(&h.window, &MainWindow::programEndRequested);
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        RuleEditorWindow* editor = openEditor(h);
        editor->timeBox(5)->setFocus();
        QTest::keyClick(editor->timeBox(5), Qt::Key_Escape);
        QTRY_VERIFY(!h.controller.editorHost().editor());
        QCOMPARE(ends.count(), 0);
    }

    void modifyByDoubleClickAndInStepAfterADelete() {
        const std::string a = record("a.mp3", "1", "0111110", {"08:00:00"});
        const std::string b = record("b.mp3", "2", "0111110", {"09:00:00"});
        Harness h(a + b);
        h.start();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        const QRect second = grid->visualRect(grid->model()->index(1, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second.center());
        RuleEditorWindow* editor = h.controller.editorHost().editor();
        QVERIFY(editor);
        QCOMPARE(child<QLineEdit>(editor, "编辑框1")->text(), u("b.mp3"));
        QCOMPARE(child<QLineEdit>(editor, "编辑框_次数")->text(), u("2"));
        // The first rule is deleted from the main window while the editor stays open.
        h.window.moveCursor(1, 0);
        h.window.popupMenu()->findChild<QAction*>(QStringLiteral("menuDelete"))->trigger();
        QCOMPARE(h.timetable(), "\r\n" + b);
        child<QLineEdit>(editor, "编辑框_次数")->setText(u("3"));
        QTest::mouseClick(child<QPushButton>(editor, "按钮2"), Qt::LeftButton);
        QCOMPARE(h.timetable(), "\r\n" + record("b.mp3", "3", "0111110", {"09:00:00"}) + "\r\n");
        QVERIFY(h.dialogs.errors.empty());
    }

    void doubleClickOnTheEmptyRowOpensNothing() {
        Harness h(record("a.mp3", "1", "0111110", {"08:00:00"}));
        h.start();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window));
        auto* grid = h.window.findChild<QTableView*>(u("高级表格"));
        const QRect empty = grid->visualRect(grid->model()->index(1, 1));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, empty.center());
        QVERIFY(!h.controller.editorHost().editor());
    }

    void editorHidesWithTheMainWindow() {
        Harness h;
        h.start();
        RuleEditorWindow* editor = openEditor(h);
        QVERIFY(editor->isVisible());
        h.window.hide();
        QVERIFY(!editor->isVisible());
        h.window.show();
        QVERIFY(editor->isVisible());
    }
};

QTEST_MAIN(EditorWindowTest)

#include "editorwindow_test.moc"
