#pragma once

#include "core/dialogs.h"
#include "core/schoolcalendar.h"

#include <QWidget>

#include <filesystem>
#include <functional>

class QCalendarWidget;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace ringvale {

// The school calendar's window: a month grid with each day's timetable (by colour and name) and
// the days without bells; the entries of 校历.INI to add, change and remove; an iCalendar import;
// and what the next seven days ring.
class CalendarView final : public QWidget {
    Q_OBJECT
public:
    using ImportChooser = std::function<QString()>;

    CalendarView(std::filesystem::path programDir, Dialogs& dialogs, QWidget* parent = nullptr);

    // Reads the file again and shows it, with the seven days from `today`.
    void reload(const LogDay& today);
    // Sets (or, with an empty value, removes) an entry; a key that is no date or range is refused.
    // The calendar's sections as the window's selector lists them.
    enum class Section { Timetables = 0, NoBells = 1, Makeup = 2 };
    // Sets (or, with an empty value, removes) the entry `key` of the section. A makeup day's
    // value names the weekday it rings as (周一 … 周日), and may name a timetable.
    bool setEntry(Section section, const QString& key, const QString& value);
    void importHolidays();
    void setImportChooser(ImportChooser chooser) { m_chooseImport = std::move(chooser); }

    const SchoolCalendar& calendar() const { return m_calendar; }

private:
    std::filesystem::path calendarPath() const;

    std::filesystem::path m_programDir;
    Dialogs& m_dialogs;
    SchoolCalendar m_calendar;
    LogDay m_today;
    ImportChooser m_chooseImport;
    QCalendarWidget* m_month = nullptr;
    QTableWidget* m_entries = nullptr;
    QLabel* m_problem = nullptr;
    QComboBox* m_section = nullptr;
    QLineEdit* m_key = nullptr;
    QLineEdit* m_value = nullptr;
    QPlainTextEdit* m_preview = nullptr;
};

} // namespace ringvale
