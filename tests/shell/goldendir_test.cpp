// A program directory as an earlier installation left it (tests/data/golden/before: GBK, CRLF,
// a path whose character has 0x5C as its second byte, the empty line an earlier delete left, the
// extra CR LF an earlier modify left, an invalid piece between records, a comment and a blank
// line in the settings file) is worked through the window's own controls; every file must then
// hold exactly the bytes in tests/data/golden/after.

#include "harness.h"
#include "shell/ruleeditorwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace ringvale;
using namespace ringvale::testing;

namespace {
const std::filesystem::path kGolden = std::filesystem::path(RINGVALE_TEST_DATA) / "golden";
const char* const kFiles[] = {"春季作息表.INI", "冬季作息表.INI", "系统配置.INI"};
} // namespace

class GoldenDirTest : public QObject {
    Q_OBJECT

    template <typename T> static T* named(QObject* parent, const char* name) {
        T* found = parent->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("control %s not found", name);
        return found;
    }
    // Table row `row` (row 0 is the header, drawn apart from the cells).
    static QModelIndex cell(QTableView* grid, int row) { return grid->model()->index(row - 1, 1); }
    static void clickCell(QTableView* grid, int row, bool twice) {
        const QPoint at = grid->visualRect(cell(grid, row)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void anEarlierInstallationsFilesChangeOnlyWhereTheOperatorChangesThem() {
        Harness h;
        for (const char* name : kFiles)
            std::filesystem::copy_file(kGolden / "before" / std::filesystem::u8path(name),
                                       h.home.path() / std::filesystem::u8path(name));
        h.start();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));

        // Loaded: the rows line up with the records despite the empty line and the invalid piece.
        auto* grid = named<QTableView>(&h.window, "高级表格");
        QCOMPARE(h.window.rowCount(), 6);
        QCOMPARE(cell(grid, 1).data().toString(), u("淺唱.mp3"));
        QCOMPARE(cell(grid, 3).data().toString(), u("課間操.mp3"));
        QCOMPARE(cell(grid, 4).data().toString(), u("放学.mp3"));

        // Modify row 1: the count becomes 3.
        clickCell(grid, 1, true);
        RuleEditorWindow* editor = h.controller.editorHost().editor();
        QVERIFY(editor);
        auto* count = named<QLineEdit>(editor, "编辑框_次数");
        count->selectAll();
        QTest::keyClicks(count, u("3"));
        QTest::mouseClick(named<QPushButton>(editor, "按钮2"), Qt::LeftButton);
        QVERIFY(h.dialogs.errors.empty());

        // Delete row 2 from the menu.
        clickCell(grid, 2, false);
        named<QAction>(h.window.popupMenu(), "menuDelete")->trigger();

        // Add a rule in the still open editor (it keeps the count and the days).
        h.dialogs.chosenFile = gbkFromUtf8("/srv/铃声/誠實.mp3");
        QTest::mouseClick(named<QPushButton>(editor, "按钮1"), Qt::LeftButton);
        editor->timeBox(1)->setFocus();
        QTest::keyClicks(editor->timeBox(1), u("10:00"));
        QTest::keyClick(editor->timeBox(1), Qt::Key_Return);
        QTest::mouseClick(named<QPushButton>(editor, "按钮2"), Qt::LeftButton);
        QVERIFY(h.dialogs.errors.empty());

        // To the tray on close; then the winter timetable, chosen with the keyboard.
        QTest::mouseClick(named<QCheckBox>(&h.window, "选择框_到托盘"), Qt::LeftButton);
        auto* selector = named<QComboBox>(&h.window, "组合框");
        selector->setFocus();
        for (int step = 0; step < 3; ++step)
            QTest::keyClick(selector, Qt::Key_Down);
        QCOMPARE(selector->currentIndex(), 3);
        QCOMPARE(h.window.rowCount(), 3);

        for (const char* name : kFiles) {
            const std::string expected =
                readWholeFile(kGolden / "after" / std::filesystem::u8path(name)).bytes;
            QVERIFY2(!expected.empty(), name);
            QVERIFY2(readWholeFile(h.home.path() / std::filesystem::u8path(name)).bytes == expected, name);
        }
    }
};

QTEST_MAIN(GoldenDirTest)
#include "goldendir_test.moc"
