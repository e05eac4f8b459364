#pragma once

#include "core/dialogs.h"
#include "core/holidayfeedfollower.h"
#include "core/schoolcalendar.h"
#include "shell/calendarchanges.h"

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

// The school calendar's window: a month grid with each day's timetable (by colour and name), the
// days without bells and the makeup school days; the entries of 校历.INI to add, change and remove;
// an iCalendar import; the holiday feeds followed; and what the next seven days ring. An edit, an
// import and a feed's first fetch show what rings differently over the next eight weeks first,
// and apply only when confirmed.
class CalendarView final : public QWidget {
    Q_OBJECT
public:
    using ImportChooser = std::function<QString()>;
    // Shows the days that would ring differently under `what`; true: apply.
    using ChangeConfirmer =
        std::function<bool(const QString& what, const std::vector<CalendarChangeRow>& rows)>;

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
    void setChangeConfirmer(ChangeConfirmer confirmer) { m_confirm = std::move(confirmer); }
    void setFeedFetch(HolidayFeedFollower::Fetch fetch) { m_fetch = std::move(fetch); }
    // Fetches the feed (in the background) and, once its changes are confirmed, follows it.
    void subscribe(const QString& url);
    void unsubscribe(const QString& url);

    const SchoolCalendar& calendar() const { return m_calendar; }

signals:
    // A subscription's first fetch ended: applied, refused, failed or cancelled.
    void subscriptionEnded();

private:
    std::filesystem::path calendarPath() const;
    // Asks m_confirm about the change from the calendar as it is to `after`.
    bool confirm(const QString& what, const SchoolCalendar& after);
    void subscriptionFetched(const std::string& url, const FeedFetch& fetched);
    void showFeeds();

    std::filesystem::path m_programDir;
    Dialogs& m_dialogs;
    SchoolCalendar m_calendar;
    LogDay m_today;
    ImportChooser m_chooseImport;
    ChangeConfirmer m_confirm;
    HolidayFeedFollower::Fetch m_fetch;
    bool m_fetching = false;
    QTableWidget* m_feeds = nullptr;
    QLineEdit* m_feedUrl = nullptr;
    QComboBox* m_weekday = nullptr;
    QCalendarWidget* m_month = nullptr;
    QTableWidget* m_entries = nullptr;
    QLabel* m_problem = nullptr;
    QComboBox* m_section = nullptr;
    QLineEdit* m_key = nullptr;
    QLineEdit* m_value = nullptr;
    QPlainTextEdit* m_preview = nullptr;
};

} // namespace ringvale
