#pragma once

#include "core/belldayfiles.h"
#include "core/dialogs.h"

#include <QWidget>

#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ringvale {

// The bell log's window: one day's entries, newest first, failed and missed ones marked; a day
// picker for earlier days; the day exported as CSV.
class LogView final : public QWidget {
    Q_OBJECT
public:
    // Asks where to export (empty: the operator cancelled).
    using ExportChooser = std::function<QString(const QString& suggestedName)>;

    LogView(const BellDayFiles& files, Dialogs& dialogs, QWidget* parent = nullptr);

    // Shows the day's newest page of entries.
    void showDay(const LogDay& day);
    // A day holds any number of entries: the window shows them this many at a time, newest first.
    static constexpr int kPageSize = 1000;
    void showPage(int page); // 0: the newest
    int shownPage() const { return m_page; }
    int pageCount() const;
    LogDay shownDay() const { return m_day; }
    // A new entry: shown at the top when it belongs to the day on show.
    void entryRecorded(const BellEntry& entry);
    void setExportChooser(ExportChooser chooser) { m_chooseExport = std::move(chooser); }
    void exportDay();

    // The text shown for an event, and whether its rows are marked.
    static QString eventText(BellEvent event);
    // A log detail as the window says it, in Chinese; a text it does not know stays as it is
    // (the file, the journal and the export keep the English words for scripts).
    static QString detailText(const std::string& detail);
    static bool isMarked(BellEvent event);

private:
    void insertRow(int at, const BellEntry& entry);

    const BellDayFiles& m_files;
    Dialogs& m_dialogs;
    LogDay m_day;
    ExportChooser m_chooseExport;
    QDateEdit* m_dayPicker = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_pageLabel = nullptr;
    QPushButton* m_newer = nullptr;
    QPushButton* m_older = nullptr;
    int m_page = 0;
    std::size_t m_total = 0; // entries in the day's file
};

} // namespace ringvale
