#pragma once

#include "core/schoolcalendar.h"

#include <QString>
#include <QWidget>

#include <filesystem>
#include <vector>

namespace ringvale {

inline constexpr int kChangePreviewDays = 8 * 7;

// One day that would ring differently, as the window says it.
struct CalendarChangeRow {
    QString date;   // "2026-12-24 周四"
    QString before; // "作息表：春季作息表，8 次铃" or "不打铃：元旦"
    QString after;
};

// A line of the day report (English keywords, for scripts) as the window says it.
QString dayReportLine(const QString& line);

// The days from `today` over the next eight weeks that `after` rings otherwise than `before`.
std::vector<CalendarChangeRow> calendarChangeRows(const std::filesystem::path& programDir,
                                                  const SchoolCalendar& before, const SchoolCalendar& after,
                                                  const LogDay& today);

// Shows the rows under `what` (a modal dialog, objectName "changePreview") and asks whether to
// apply them; true for 应用.
bool confirmCalendarChanges(QWidget* parent, const QString& what, const std::vector<CalendarChangeRow>& rows);

} // namespace ringvale
