#include "shell/calendarview.h"

#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/filestore.h"
#include "core/holidayimport.h"
#include "core/timetable.h"
#include "shell/gbkqt.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <chrono>

namespace ringvale {

namespace {

constexpr int kPreviewDays = 7;

LogDay logDayOfDate(QDate date) {
    return {date.year(), date.month(), date.day()};
}

// A colour of its own for each of the seventeen timetables.
QColor timetableColour(int index) {
    return QColor::fromHsv((index * 137) % 360, 60, 250);
}

// A line of the day report (English keywords, for scripts) as the window says it.
QString previewLine(const QString& line) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.value(0) == QStringLiteral("timetable"))
        return QString::fromUtf8("作息表：") + fields.value(1) +
               (fields.value(2) == QStringLiteral("as")
                    ? QString::fromUtf8("（补课，按%1打铃）").arg(fields.value(3))
                    : QString());
    if (fields.value(0) == QStringLiteral("no-bells"))
        return QString::fromUtf8("不打铃：") + fields.value(1);
    QString text = fields.value(0) + QStringLiteral("  ") + fields.value(1) +
                   QString::fromUtf8("  播放%1次").arg(fields.value(2));
    if (fields.value(3) == QStringLiteral("rain-gated"))
        text += QString::fromUtf8("  （下雨不响）");
    return text;
}

// The month grid: each day cell shows its number and what rings.
class MonthGrid final : public QCalendarWidget {
public:
    MonthGrid(const SchoolCalendar& calendar, QWidget* parent)
        : QCalendarWidget(parent), m_calendar(calendar) {}
    void refresh() { updateCells(); }

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override {
        const DayPlan plan = planFor(m_calendar, logDayOfDate(date));
        painter->save();
        if (plan.kind == DayPlan::Kind::NoBells)
            painter->fillRect(rect, QColor(225, 225, 225));
        else if (plan.kind == DayPlan::Kind::Timetable)
            painter->fillRect(rect, timetableColour(plan.timetable));
        painter->setPen(date.month() == monthShown() ? Qt::black : Qt::gray);
        painter->drawText(rect.adjusted(3, 1, -3, -1), Qt::AlignTop | Qt::AlignLeft,
                          QString::number(date.day()));
        QString caption;
        if (plan.kind == DayPlan::Kind::NoBells)
            caption = qtFromGbk(plan.reason);
        else if (plan.kind == DayPlan::Kind::Timetable)
            caption = qtFromGbk(timetableName(plan.timetable)).remove(QString::fromUtf8("作息表"));
        if (plan.ringsAs != 0) {
            // A makeup school day: apart from the others, with the weekday it rings as.
            painter->setPen(QPen(QColor(0, 110, 200), 2));
            painter->drawRect(rect.adjusted(1, 1, -2, -2));
            painter->setPen(date.month() == monthShown() ? Qt::black : Qt::gray);
            caption = QString::fromUtf8("补课·") + qtFromGbk(weekdayText(plan.ringsAs));
        }
        QFont font = painter->font();
        font.setPixelSize(10);
        painter->setFont(font);
        painter->drawText(rect.adjusted(2, 0, -2, -2), Qt::AlignBottom | Qt::AlignHCenter, caption);
        if (date == selectedDate())
            painter->drawRect(rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

private:
    const SchoolCalendar& m_calendar;
};

} // namespace

CalendarView::CalendarView(std::filesystem::path programDir, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_programDir(std::move(programDir)), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("calendarView"));
    setWindowTitle(QString::fromUtf8("校历"));
    resize(980, 560);

    m_month = new MonthGrid(m_calendar, this);
    m_month->setObjectName(QStringLiteral("calendarMonth"));
    m_month->setMinimumSize(520, 360);
    m_month->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // In Chinese, as the rest of the window: 十二月, 周一 … 周日, the week from Monday.
    m_month->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_month->setFirstDayOfWeek(Qt::Monday);

    // What is wrong with the file (too large, saved as UTF-8), in red above the month.
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("calendarProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c00000"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    m_entries = new QTableWidget(0, 3, this);
    m_entries->setObjectName(QStringLiteral("calendarEntries"));
    m_entries->setHorizontalHeaderLabels(
        {QString::fromUtf8("类别"), QString::fromUtf8("日期"), QString::fromUtf8("作息表或原因")});
    m_entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entries->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_entries->verticalHeader()->hide();
    m_entries->horizontalHeader()->setStretchLastSection(true);

    m_section = new QComboBox(this);
    m_section->setObjectName(QStringLiteral("calendarSection"));
    m_section->addItems(
        {QString::fromUtf8("作息表"), QString::fromUtf8("不打铃"), QString::fromUtf8("补课")});
    m_section->setToolTip(
        QString::fromUtf8("补课：调休上课的日子，按说明里的星期（周一…周日）打铃，默认周一"));
    m_key = new QLineEdit(this);
    m_key->setObjectName(QStringLiteral("calendarKey"));
    m_key->setPlaceholderText(QStringLiteral("2027-01-04, 05-01~09-30"));
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("calendarValue"));
    m_value->setPlaceholderText(QString::fromUtf8("夏季作息表, 国庆节"));
    auto* setButton = new QPushButton(QString::fromUtf8("添加/修改"), this);
    setButton->setObjectName(QStringLiteral("calendarSet"));
    auto* removeButton = new QPushButton(QString::fromUtf8("删除"), this);
    removeButton->setObjectName(QStringLiteral("calendarRemove"));
    auto* importButton = new QPushButton(QString::fromUtf8("导入假日(.ics)…"), this);
    importButton->setObjectName(QStringLiteral("calendarImport"));

    m_preview = new QPlainTextEdit(this);
    m_preview->setObjectName(QStringLiteral("calendarPreview"));
    m_preview->setReadOnly(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_problem, 0, 0, 1, 8);
    layout->addWidget(m_month, 1, 0, 1, 4);
    layout->addWidget(new QLabel(QString::fromUtf8("未来七天的铃声"), this), 2, 0, 1, 4);
    layout->addWidget(m_preview, 3, 0, 1, 4);
    layout->addWidget(m_entries, 1, 4, 1, 4);
    layout->addWidget(m_section, 2, 4);
    layout->addWidget(m_key, 2, 5);
    layout->addWidget(m_value, 2, 6, 1, 2);
    layout->addWidget(setButton, 3, 4, Qt::AlignTop);
    layout->addWidget(removeButton, 3, 5, Qt::AlignTop);
    layout->addWidget(importButton, 3, 6, Qt::AlignTop);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(4, 1);

    m_chooseImport = [this] {
        return QFileDialog::getOpenFileName(this, QString::fromUtf8("导入假日"), {},
                                            QString::fromUtf8("iCalendar 文件 (*.ics)"));
    };
    connect(m_entries, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0 || !m_entries->item(row, 0))
            return;
        m_section->setCurrentIndex(std::max(0, m_section->findText(m_entries->item(row, 0)->text())));
        m_key->setText(m_entries->item(row, 1)->text());
        m_value->setText(m_entries->item(row, 2)->text());
    });
    connect(setButton, &QPushButton::clicked, this, [this] {
        setEntry(static_cast<Section>(m_section->currentIndex()), m_key->text(), m_value->text());
    });
    connect(removeButton, &QPushButton::clicked, this,
            [this] { setEntry(static_cast<Section>(m_section->currentIndex()), m_key->text(), {}); });
    connect(importButton, &QPushButton::clicked, this, &CalendarView::importHolidays);
}

std::filesystem::path CalendarView::calendarPath() const {
    return m_programDir / std::filesystem::u8path(kCalendarFileName);
}

void CalendarView::reload(const LogDay& today) {
    m_today = today;
    const CalendarFile file = readCalendarFile(m_programDir);
    m_calendar = file.calendar;
    m_problem->setText(QString::fromStdString(file.problem));
    m_problem->setVisible(!file.problem.empty());
    m_entries->setRowCount(0);
    const auto addRows = [this](const std::vector<CalendarEntry>& entries, const char* section) {
        for (const CalendarEntry& entry : entries) {
            const int row = m_entries->rowCount();
            m_entries->insertRow(row);
            m_entries->setItem(row, 0, new QTableWidgetItem(QString::fromUtf8(section)));
            m_entries->setItem(row, 1,
                               new QTableWidgetItem(QString::fromStdString(calendarKeyText(entry.range))));
            m_entries->setItem(row, 2, new QTableWidgetItem(qtFromGbk(entry.value)));
        }
    };
    addRows(m_calendar.timetables, "作息表");
    addRows(m_calendar.noBells, "不打铃");
    addRows(m_calendar.makeupDays, "补课");
    static_cast<MonthGrid*>(m_month)->refresh();

    QString preview;
    QDate date(today.year, today.month, today.day);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    for (int n = 0; n < kPreviewDays; ++n, date = date.addDays(1)) {
        preview += chinese.toString(date, QStringLiteral("yyyy-MM-dd ddd")) + QLatin1Char('\n');
        for (const QString& line : QString::fromStdString(ringsOnReport(m_programDir, logDayOfDate(date)))
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            preview += QStringLiteral("    ") + previewLine(line) + QLatin1Char('\n');
    }
    m_preview->setPlainText(preview);
}

bool CalendarView::setEntry(Section section, const QString& key, const QString& value) {
    const auto range = parseCalendarKey(key.toStdString());
    if (!range) {
        m_dialogs.showError(gbkFromUtf8("日期应写作 YYYY-MM-DD、MM-DD 或 A~B：") + gbkFromQt(key));
        return false;
    }
    const std::string name = gbkFromQt(value.trimmed());
    if (section == Section::Timetables && !name.empty()) {
        bool known = false;
        for (int index = 0; index < kTimetableCount; ++index)
            known = known || timetableName(index) == name;
        if (!known) {
            m_dialogs.showError(gbkFromUtf8("没有这套作息表：") + name);
            return false;
        }
    }
    const CalendarFile current = readCalendarFile(m_programDir);
    if (current.status == FileRead::Status::Unreadable) {
        m_dialogs.showError(gbkFromUtf8("校历文件无法读取，没有修改。"));
        return false;
    }
    const std::string sectionName = gbkFromUtf8(section == Section::NoBells  ? "不打铃"
                                                : section == Section::Makeup ? "补课"
                                                                             : "作息表");
    if (!writeFileAtomic(calendarPath(),
                         withCalendarEntry(current.text, sectionName, calendarKeyText(*range), name))) {
        m_dialogs.showError(gbkFromUtf8("校历文件无法写入。"));
        return false;
    }
    reload(m_today);
    return true;
}

void CalendarView::importHolidays() {
    const QString file = m_chooseImport();
    if (file.isEmpty())
        return;
    const HolidayImport imported = ringvale::importHolidays(m_programDir, file.toStdString());
    if (!imported.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导入：" + imported.error));
        return;
    }
    std::string leftOut;
    const auto count = [&leftOut](int n, const char* what) {
        if (n > 0)
            leftOut += "，" + std::to_string(n) + " 个" + what + "未导入";
    };
    count(imported.timedIgnored, "有具体时间的事件");
    count(imported.cancelledIgnored, "已取消的事件");
    count(static_cast<int>(imported.unreadable.size()), "无法读取的事件");
    m_dialogs.showMessage(gbkFromUtf8("导入了 " + std::to_string(imported.entries.size()) + " 个假日、" +
                                      std::to_string(imported.makeupDays.size()) + " 个调休补课日" + leftOut),
                          gbkFromUtf8("校历"), false);
    reload(m_today);
}

} // namespace ringvale
