#include "shell/logview.h"

#include "core/codepage.h"
#include "core/duebells.h"
#include "core/filestore.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <vector>

namespace ringvale {

namespace {

enum Column { At, Event, Due, Timetable, Row, File, Detail, ColumnCount };

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString LogView::eventText(BellEvent event) {
    switch (event) {
    case BellEvent::Rang:
        return QString::fromUtf8("已响");
    case BellEvent::Failed:
        return QString::fromUtf8("失败");
    case BellEvent::Skipped:
        return QString::fromUtf8("跳过");
    case BellEvent::Missed:
        return QString::fromUtf8("错过");
    case BellEvent::Played:
        return QString::fromUtf8("播放");
    case BellEvent::Stopped:
        return QString::fromUtf8("停止");
    case BellEvent::Heard:
        return QString::fromUtf8("已听到");
    case BellEvent::System:
        break;
    }
    return QString::fromUtf8("系统");
}

QString LogView::detailText(const std::string& detail) {
    const QString text = QString::fromStdString(detail);
    // What a console user did: "web NAME: what", the name kept.
    static const QRegularExpression web(QStringLiteral("^web ([^:]+): (.*)$"));
    if (const auto match = web.match(text); match.hasMatch())
        return QString::fromUtf8("网页 %1：").arg(match.captured(1)) +
               detailText(match.captured(2).toStdString());
    // Whole texts, then texts that begin alike and go on with a value.
    static const std::pair<std::string_view, const char*> kWhole[] = {
        {kNotRunning, "程序没有运行"},
        {kSystemStopped, "系统已停止运行"},
        {kNoTickCame, "这一分钟没有时钟（时钟跳变或电脑休眠）"},
        {kSkippedByClock, "夏令时开始，这一分钟不存在，无法打铃"},
        {"not found", "找不到文件"},
        {"exit", "退出"},
        {"bells ring today", "今天照常打铃"},
        {"stop from the toolbar", "工具栏停止播放"},
        {"stop from the office", "总控停止播放"},
        {"play from the office", "总控播放"},
        {"alarm from the office", "总控警报"},
        {"alarm, repeated until stopped", "警报，重复播放直到停止"},
        {"rain-gated bell rings: the weather was unknown", "雨天铃照常打：天气未知"},
        {"stop", "停止播放"},
        {"play now", "立即播放"},
        {"alarm", "警报"},
        {"system running", "系统开始运行"},
        {"system stopped", "系统停止运行"},
        {"rule added", "新增规则"},
        {"web console started from the settings", "网页控制台按设置启动"},
        {"web console turned off in the settings", "网页控制台已在设置中关闭"},
        {"lockdown set: every scheduled bell is silenced", "全校停铃：定时铃声都不响"},
        {"lockdown lifted: the bells ring again", "解除全校停铃，定时铃声恢复"},
    };
    for (const auto& [english, chinese] : kWhole)
        if (detail == english)
            return QString::fromUtf8(chinese);
    static const std::pair<const char*, const char*> kPrefixes[] = {
        {"cannot be decoded: ", "无法解码："},
        {"no sound device: ", "没有声音设备："},
        {"no bells today: ", "今天不打铃："},
        {"rain forecast: ", "天气预报有雨："},
        {"timetable switched to ", "作息表切换为 "},
        {"start, timetable ", "启动，作息表 "},
        {"start without a window, timetable ", "无窗口启动，作息表 "},
        {"music file ", "音乐文件 "},
        {"a makeup school day: today rings as ", "调休补课日：今天按此打铃 "},
        {"lockdown, set by ", "全校停铃，设置者 "},
        {"no web console: ", "网页控制台没有启动："},
        {"lockdown holds, set by ", "全校停铃仍然有效，设置者 "},
        {"holiday feed ", "假日日历订阅 "},
        {"rule added in ", "新增规则，作息表 "},
    };
    for (const auto& [english, chinese] : kPrefixes) {
        if (!text.startsWith(QLatin1String(english)))
            continue;
        QString rest = text.mid(static_cast<int>(std::strlen(english)));
        rest.replace(QStringLiteral(", running"), QString::fromUtf8("，运行中"))
            .replace(QStringLiteral(", stopped"), QString::fromUtf8("，已停止"));
        return QString::fromUtf8(chinese) + rest;
    }
    static const QRegularExpression heard(
        QStringLiteral("^heard at (-?[\\d.]+) dBFS, the room at (-?[\\d.]+) dBFS$"));
    if (const auto match = heard.match(text); match.hasMatch())
        return QString::fromUtf8("听到：%1 dBFS，环境 %2 dBFS").arg(match.captured(1), match.captured(2));
    static const QRegularExpression notHeard(QStringLiteral(
        "^not heard: nothing rose above the room \\((-?[\\d.]+) dBFS\\) within (\\d+) s of the onset(.*)$"));
    if (const auto match = notHeard.match(text); match.hasMatch())
        return QString::fromUtf8("没有听到：起音后 %1 秒内没有高于环境（%2 dBFS）的声音%3")
            .arg(match.captured(2), match.captured(1), match.captured(3));
    // "onset 12 ms, device pulseaudio …"
    static const QRegularExpression onset(QStringLiteral("^onset (-?\\d+) ms, device (.*)$"));
    if (const auto match = onset.match(text); match.hasMatch())
        return QString::fromUtf8("起音 %1 毫秒，输出 %2").arg(match.captured(1), match.captured(2));
    return text;
}

bool LogView::isMarked(BellEvent event) {
    return event == BellEvent::Failed || event == BellEvent::Missed;
}

LogView::LogView(const BellDayFiles& files, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_files(files), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("logView"));
    setWindowTitle(QString::fromUtf8("铃声日志"));
    resize(900, 480);

    m_dayPicker = new QDateEdit(this);
    m_dayPicker->setObjectName(QStringLiteral("logDayPicker"));
    m_dayPicker->setCalendarPopup(true);
    m_dayPicker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    auto* exportButton = new QPushButton(QString::fromUtf8("导出CSV…"), this);
    exportButton->setObjectName(QStringLiteral("logExport"));

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("logTable"));
    m_table->setHorizontalHeaderLabels({QString::fromUtf8("时间"), QString::fromUtf8("事件"),
                                        QString::fromUtf8("应响"), QString::fromUtf8("作息表"),
                                        QString::fromUtf8("行"), QString::fromUtf8("文件"),
                                        QString::fromUtf8("说明")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    const std::array<int, ColumnCount - 1> widths = {96, 48, 70, 96, 36, 220};
    for (int column = 0; column < ColumnCount - 1; ++column)
        m_table->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);

    m_newer = new QPushButton(QString::fromUtf8("较新"), this);
    m_newer->setObjectName(QStringLiteral("logNewer"));
    m_older = new QPushButton(QString::fromUtf8("较早"), this);
    m_older->setObjectName(QStringLiteral("logOlder"));
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("logPage"));
    connect(m_newer, &QPushButton::clicked, this, [this] { showPage(m_page - 1); });
    connect(m_older, &QPushButton::clicked, this, [this] { showPage(m_page + 1); });

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QString::fromUtf8("日期："), this));
    top->addWidget(m_dayPicker);
    top->addWidget(m_newer);
    top->addWidget(m_older);
    top->addWidget(m_pageLabel);
    top->addStretch();
    top->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table);

    m_chooseExport = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QString::fromUtf8("导出日志"), suggested,
                                            QString::fromUtf8("CSV 文件 (*.csv)"));
    };
    connect(m_dayPicker, &QDateEdit::dateChanged, this, [this](QDate date) {
        showDay({date.year(), date.month(), date.day()});
    });
    connect(exportButton, &QPushButton::clicked, this, &LogView::exportDay);
}

void LogView::showDay(const LogDay& day) {
    m_day = day;
    const QDate date(day.year, day.month, day.day);
    if (m_dayPicker->date() != date) {
        const QSignalBlocker block(m_dayPicker);
        m_dayPicker->setDate(date);
    }
    showPage(0);
}

int LogView::pageCount() const {
    return std::max(1, static_cast<int>((m_total + kPageSize - 1) / kPageSize));
}

void LogView::showPage(int page) {
    // One pass as a stream, however large the file: the count, and the newest entries as far
    // back as the page asked for.
    page = std::max(page, 0);
    const std::size_t kept = static_cast<std::size_t>(page + 1) * kPageSize;
    std::deque<BellEntry> newest;
    m_total = 0;
    const bool readable = m_files.visitDay(m_day, [&](BellEntry&& entry) {
        ++m_total;
        newest.push_back(std::move(entry));
        if (newest.size() > kept)
            newest.pop_front();
    });
    m_page = std::min(page, pageCount() - 1);
    const std::size_t end =
        newest.size() - std::min(newest.size(), static_cast<std::size_t>(m_page) * kPageSize);
    const std::size_t begin = end - std::min(end, static_cast<std::size_t>(kPageSize));
    const std::vector<BellEntry> shown(newest.begin() + static_cast<std::ptrdiff_t>(begin),
                                       newest.begin() + static_cast<std::ptrdiff_t>(end));
    m_table->setRowCount(0);
    for (const BellEntry& entry : shown)
        insertRow(0, entry); // newest first
    m_newer->setEnabled(m_page > 0);
    m_older->setEnabled(m_page + 1 < pageCount());
    m_pageLabel->setText(readable ? QString::fromUtf8("第 %1 / %2 页，共 %3 条")
                                        .arg(m_page + 1)
                                        .arg(pageCount())
                                        .arg(static_cast<qulonglong>(m_total))
                                  : QString::fromUtf8("这一天的日志文件无法读取"));
}

void LogView::entryRecorded(const BellEntry& entry) {
    if (logDayOf(entry.at) != m_day)
        return;
    ++m_total;
    if (m_page != 0)
        return; // an earlier page stays as it is
    insertRow(0, entry);
    if (m_table->rowCount() > kPageSize)
        m_table->removeRow(m_table->rowCount() - 1);
}

void LogView::insertRow(int at, const BellEntry& entry) {
    m_table->insertRow(at);
    const LocalTime& t = entry.at;
    const std::array<QString, ColumnCount> cells = {
        twoDigits(t.hour) + QLatin1Char(':') + twoDigits(t.minute) + QLatin1Char(':') + twoDigits(t.second) +
            QStringLiteral(".%1").arg(t.millisecond, 3, 10, QLatin1Char('0')),
        eventText(entry.event),
        QString::fromStdString(entry.due),
        QString::fromStdString(entry.timetable),
        entry.row > 0 ? QString::number(entry.row) : QString(),
        QString::fromStdString(entry.file),
        detailText(entry.detail),
    };
    const bool marked = isMarked(entry.event);
    for (int column = 0; column < ColumnCount; ++column) {
        auto* item = new QTableWidgetItem(cells[static_cast<std::size_t>(column)]);
        if (marked) {
            item->setForeground(QColor(176, 0, 0));
            item->setBackground(QColor(255, 228, 228));
            QFont font = item->font();
            font.setBold(column == Event);
            item->setFont(font);
        }
        item->setToolTip(column == Detail || column == File ? cells[static_cast<std::size_t>(column)]
                                                            : QString());
        m_table->setItem(at, column, item);
    }
}

void LogView::exportDay() {
    const QString path = m_chooseExport(QString::fromStdString(logDayText(m_day)) + QStringLiteral(".csv"));
    if (path.isEmpty())
        return;
    if (!writeFileAtomic(path.toStdString(), logCsv(m_files.readDay(m_day))))
        m_dialogs.showError(gbkFromUtf8("日志无法导出到 " + path.toStdString()));
}

} // namespace ringvale
