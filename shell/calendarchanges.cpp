#include "shell/calendarchanges.h"

#include "core/dayreport.h"

#include <QDate>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ringvale {

QString dayReportLine(const QString& line) {
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

namespace {

// The plan's first line in Chinese, with the number of bells when any ring.
QString daySummary(const std::string& report) {
    const QStringList lines = QString::fromStdString(report).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString text = dayReportLine(lines.value(0));
    if (!lines.value(0).startsWith(QStringLiteral("no-bells")))
        text += QString::fromUtf8("，%1 次铃").arg(lines.size() - 1);
    return text;
}

} // namespace

std::vector<CalendarChangeRow> calendarChangeRows(const std::filesystem::path& programDir,
                                                  const SchoolCalendar& before, const SchoolCalendar& after,
                                                  const LogDay& today) {
    std::vector<CalendarChangeRow> rows;
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    for (const PlanChange& change : planChanges(before, after, today, kChangePreviewDays)) {
        const QDate date(change.day.year, change.day.month, change.day.day);
        rows.push_back({chinese.toString(date, QStringLiteral("yyyy-MM-dd ddd")),
                        daySummary(ringsOnReport(programDir, before, change.day)),
                        daySummary(ringsOnReport(programDir, after, change.day))});
    }
    return rows;
}

bool confirmCalendarChanges(QWidget* parent, const QString& what,
                            const std::vector<CalendarChangeRow>& rows) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("changePreview"));
    dialog.setWindowTitle(QString::fromUtf8("校历修改预览"));
    dialog.resize(720, 420);
    auto* label = new QLabel(
        rows.empty() ? what + QString::fromUtf8("\n未来八周的铃声不会改变。")
                     : what + QString::fromUtf8("\n未来八周有 %1 天的铃声会改变：").arg(rows.size()),
        &dialog);
    label->setWordWrap(true);
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 3, &dialog);
    table->setObjectName(QStringLiteral("changeRows"));
    table->setHorizontalHeaderLabels(
        {QString::fromUtf8("日期"), QString::fromUtf8("修改前"), QString::fromUtf8("修改后")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const CalendarChangeRow& change = rows[static_cast<std::size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(change.date));
        table->setItem(row, 1, new QTableWidgetItem(change.before));
        table->setItem(row, 2, new QTableWidgetItem(change.after));
    }
    table->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* apply = buttons->addButton(QString::fromUtf8("应用"), QDialogButtonBox::AcceptRole);
    apply->setObjectName(QStringLiteral("changeApply"));
    buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("changeCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(table);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace ringvale
