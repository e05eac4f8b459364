#include "shell/calendarview.h"

#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/dayreport.h"
#include "core/filestore.h"
#include "core/holidayfeeds.h"
#include "core/holidayimport.h"
#include "core/timetable.h"
#include "media/feedfetch.h"
#include "shell/gbkqt.h"

#include <QApplication>
#include <QBoxLayout>
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
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableWidget>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

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

    // A makeup day's weekday, picked rather than typed: written into the entry's text.
    m_weekday = new QComboBox(this);
    m_weekday->setObjectName(QStringLiteral("calendarMakeupWeekday"));
    for (int weekday = 2; weekday <= 8; ++weekday)
        m_weekday->addItem(qtFromGbk(weekdayText(weekday > 7 ? 1 : weekday)), weekday > 7 ? 1 : weekday);
    m_weekday->setToolTip(QString::fromUtf8("补课日按哪一天的铃声打铃"));
    m_weekday->setEnabled(false);

    m_feeds = new QTableWidget(0, 3, this);
    m_feeds->setObjectName(QStringLiteral("calendarFeeds"));
    m_feeds->setHorizontalHeaderLabels(
        {QString::fromUtf8("订阅的假日日历"), QString::fromUtf8("上次获取"), QString::fromUtf8("问题")});
    m_feeds->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_feeds->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_feeds->verticalHeader()->hide();
    m_feeds->horizontalHeader()->setStretchLastSection(true);
    m_feeds->setMaximumHeight(110);
    m_feedUrl = new QLineEdit(this);
    m_feedUrl->setObjectName(QStringLiteral("calendarFeedUrl"));
    m_feedUrl->setPlaceholderText(QStringLiteral("https://…/holidays.ics, webcal://…"));
    auto* subscribeButton = new QPushButton(QString::fromUtf8("订阅"), this);
    subscribeButton->setObjectName(QStringLiteral("calendarSubscribe"));
    auto* unsubscribeButton = new QPushButton(QString::fromUtf8("取消订阅"), this);
    unsubscribeButton->setObjectName(QStringLiteral("calendarUnsubscribe"));

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
    layout->addWidget(m_value, 2, 6);
    layout->addWidget(m_weekday, 2, 7);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(setButton);
    buttons->addWidget(removeButton);
    buttons->addWidget(importButton);
    buttons->addStretch();
    auto* feedColumn = new QVBoxLayout;
    feedColumn->addLayout(buttons);
    feedColumn->addWidget(m_feeds);
    auto* feedRow = new QHBoxLayout;
    feedRow->addWidget(m_feedUrl, 1);
    feedRow->addWidget(subscribeButton);
    feedRow->addWidget(unsubscribeButton);
    feedColumn->addLayout(feedRow);
    feedColumn->addStretch();
    layout->addLayout(feedColumn, 3, 4, 1, 4);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(4, 1);

    m_chooseImport = [this] {
        return QFileDialog::getOpenFileName(this, QString::fromUtf8("导入假日"), {},
                                            QString::fromUtf8("iCalendar 文件 (*.ics)"));
    };
    m_confirm = [this](const QString& what, const std::vector<CalendarChangeRow>& rows) {
        return confirmCalendarChanges(this, what, rows);
    };
    m_fetch = fetchHolidayFeed;
    connect(m_entries, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row < 0 || !m_entries->item(row, 0))
            return;
        m_section->setCurrentIndex(std::max(0, m_section->findText(m_entries->item(row, 0)->text())));
        m_key->setText(m_entries->item(row, 1)->text());
        m_value->setText(m_entries->item(row, 2)->text());
        if (m_section->currentIndex() == static_cast<int>(Section::Makeup))
            m_weekday->setCurrentIndex(
                std::max(0, m_weekday->findData(makeupWeekday(gbkFromQt(m_value->text())))));
    });
    connect(m_section, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_weekday->setEnabled(index == static_cast<int>(Section::Makeup)); });
    // Picking the weekday puts its name into the text in place of any weekday named there.
    connect(m_weekday, &QComboBox::activated, this, [this] {
        static const QRegularExpression named(QString::fromUtf8("(周|星期)[一二三四五六日天]"));
        QString text = m_value->text();
        text.remove(named);
        m_value->setText((m_weekday->currentText() + QLatin1Char(' ') + text.trimmed()).trimmed());
    });
    connect(m_feeds, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && m_feeds->item(row, 0))
            m_feedUrl->setText(m_feeds->item(row, 0)->data(Qt::UserRole).toString());
    });
    connect(subscribeButton, &QPushButton::clicked, this, [this] { subscribe(m_feedUrl->text()); });
    connect(unsubscribeButton, &QPushButton::clicked, this, [this] { unsubscribe(m_feedUrl->text()); });
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
    showFeeds();

    QString preview;
    QDate date(today.year, today.month, today.day);
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    for (int n = 0; n < kPreviewDays; ++n, date = date.addDays(1)) {
        preview += chinese.toString(date, QStringLiteral("yyyy-MM-dd ddd")) + QLatin1Char('\n');
        for (const QString& line : QString::fromStdString(ringsOnReport(m_programDir, logDayOfDate(date)))
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            preview += QStringLiteral("    ") + dayReportLine(line) + QLatin1Char('\n');
    }
    m_preview->setPlainText(preview);
}

bool CalendarView::setEntry(Section section, const QString& key, const QString& value) {
    const CalendarSection which = section == Section::NoBells  ? CalendarSection::NoBells
                                  : section == Section::Makeup ? CalendarSection::Makeup
                                                               : CalendarSection::Timetables;
    const std::string name = gbkFromQt(value.trimmed());
    const CalendarEdit edit = editCalendar(m_programDir, which, gbkFromQt(key), name);
    if (!edit.refused.empty()) {
        m_dialogs.showError(gbkFromUtf8(edit.refused));
        return false;
    }
    m_calendar = edit.current.calendar;
    const QString entry = QString::fromUtf8("[%1] %2").arg(qtFromGbk(calendarSectionName(which)),
                                                           QString::fromStdString(edit.key));
    const QString what = name.empty()
                             ? QString::fromUtf8("删除 ") + entry
                             : QString::fromUtf8("设置 ") + entry + QLatin1Char('=') + qtFromGbk(name);
    if (!confirm(what, parseSchoolCalendar(edit.text)))
        return false;
    if (!writeFileAtomic(calendarPath(), edit.text)) {
        m_dialogs.showError(gbkFromUtf8("校历文件无法写入。"));
        return false;
    }
    reload(m_today);
    return true;
}

namespace {

// What an import or a feed brings, and what it left out, as the window says it.
QString importSummary(const HolidayImport& imported) {
    QString text = QString::fromUtf8("%1 个假日、%2 个调休补课日")
                       .arg(imported.entries.size())
                       .arg(imported.makeupDays.size());
    const auto count = [&text](int n, const char* what) {
        if (n > 0)
            text += QString::fromUtf8("，%1 个%2未导入").arg(n).arg(QString::fromUtf8(what));
    };
    count(imported.timedIgnored, "有具体时间的事件");
    count(imported.cancelledIgnored, "已取消的事件");
    count(static_cast<int>(imported.unreadable.size()), "无法读取的事件");
    return text;
}

// Why a fetch failed, in Chinese (the log keeps the English words).
QString feedProblemText(const std::string& problem) {
    const QString text = QString::fromStdString(problem);
    static const struct {
        const char* english;
        const char* chinese;
    } kKnown[] = {{"fetch failed: ", "无法获取："},
                  {"the server answered HTTP ", "服务器回答 HTTP "},
                  {"the calendar is larger than ", "日历文件超过 "},
                  {"no event in the file can be read", "文件里没有可读取的事件"},
                  {"not an iCalendar file", "不是 iCalendar 文件"}};
    for (const auto& known : kKnown)
        if (text.startsWith(QLatin1String(known.english)))
            return QString::fromUtf8(known.chinese) + text.mid(static_cast<int>(std::strlen(known.english)));
    return text.isEmpty() ? text : QString::fromUtf8("无法使用：") + text;
}

std::string localNowText() {
    return localTimeText(localTimeAt(std::chrono::system_clock::now()));
}

} // namespace

bool CalendarView::confirm(const QString& what, const SchoolCalendar& after) {
    const std::vector<CalendarChangeRow> rows = calendarChangeRows(m_programDir, m_calendar, after, m_today);
    return m_confirm(what, rows);
}

void CalendarView::importHolidays() {
    const QString file = m_chooseImport();
    if (file.isEmpty())
        return;
    const HolidayImport preview = ringvale::importHolidays(m_programDir, file.toStdString(), true);
    if (!preview.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导入：" + preview.error));
        return;
    }
    m_calendar = preview.before;
    if (!confirm(QString::fromUtf8("导入 %1：").arg(file) + importSummary(preview), preview.after))
        return;
    const HolidayImport imported = ringvale::importHolidays(m_programDir, file.toStdString());
    if (!imported.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法导入：" + imported.error));
        return;
    }
    m_dialogs.showMessage(gbkFromQt(QString::fromUtf8("导入了 ") + importSummary(imported)),
                          gbkFromUtf8("校历"), false);
    reload(m_today);
}

void CalendarView::subscribe(const QString& typed) {
    const FeedAddress address = feedAddress(typed.toStdString());
    if (!address.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法订阅：" + address.error));
        emit subscriptionEnded();
        return;
    }
    if (m_fetching)
        return;
    m_fetching = true;
    setCursor(Qt::BusyCursor);
    // The fetch may take up to half a minute: off this thread, which also rings the bells.
    QPointer<CalendarView> self(this);
    std::thread([self, url = address.url, fetch = m_fetch] {
        const FeedFetch fetched = fetch(url);
        QMetaObject::invokeMethod(
            qApp,
            [self, url, fetched] {
                if (self)
                    self->subscriptionFetched(url, fetched);
            },
            Qt::QueuedConnection);
    }).detach();
}

void CalendarView::subscriptionFetched(const std::string& url, const FeedFetch& fetched) {
    m_fetching = false;
    unsetCursor();
    const auto end = qScopeGuard([this] { emit subscriptionEnded(); });
    if (!fetched.ok) {
        m_dialogs.showError(gbkFromQt(QString::fromStdString(feedLabel(url)) + QString::fromUtf8("：") +
                                      feedProblemText(fetched.error)));
        return;
    }
    const HolidayImport preview =
        applyFeed(m_programDir, url, fetched.body, localNowText(), FeedSubscription::Add, true);
    if (!preview.error.empty()) {
        m_dialogs.showError(gbkFromUtf8("无法订阅 " + feedLabel(url) + "：" + preview.error));
        return;
    }
    m_calendar = preview.before;
    if (!confirm(QString::fromUtf8("订阅 %1：").arg(QString::fromStdString(feedLabel(url))) +
                     importSummary(preview),
                 preview.after))
        return;
    const HolidayImport applied =
        applyFeed(m_programDir, url, fetched.body, localNowText(), FeedSubscription::Add);
    if (!applied.error.empty())
        m_dialogs.showError(gbkFromUtf8("无法订阅 " + feedLabel(url) + "：" + applied.error));
    m_feedUrl->clear();
    reload(m_today);
}

void CalendarView::unsubscribe(const QString& typed) {
    const FeedAddress address = feedAddress(typed.toStdString());
    const std::string url = address.error.empty() ? address.url : typed.toStdString();
    if (const std::string why = unsubscribeFeed(m_programDir, url); !why.empty())
        m_dialogs.showError(gbkFromUtf8("无法取消订阅：" + why));
    m_feedUrl->clear();
    reload(m_today);
}

void CalendarView::showFeeds() {
    const std::vector<HolidayFeed> feeds = readFeeds(m_programDir);
    m_feeds->setRowCount(static_cast<int>(feeds.size()));
    for (int row = 0; row < static_cast<int>(feeds.size()); ++row) {
        const HolidayFeed& feed = feeds[static_cast<std::size_t>(row)];
        auto* address = new QTableWidgetItem(QString::fromStdString(feedLabel(feed.url)));
        address->setData(Qt::UserRole, QString::fromStdString(feed.url));
        m_feeds->setItem(row, 0, address);
        m_feeds->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(feed.fetched)));
        m_feeds->setItem(row, 2, new QTableWidgetItem(feedProblemText(feed.problem)));
    }
}

} // namespace ringvale
