#pragma once

#include "core/appconfig.h"
#include "core/dialogs.h"
#include "core/schedulecontext.h"
#include "editing/editorstate.h"
#include "editing/ruleeditorview.h"

#include <functional>
#include <string>

namespace ringvale {

// The main window's commands on whole timetables and on the rule of the current row.
class TimetableCommands {
public:
    TimetableCommands(ScheduleContext& context, EditorState& editor, const AppConfig& config,
                      Dialogs& dialogs, RuleEditorHost& host, std::string programDir);

    // The selector chose timetable `index` with the item text `name` (GBK).
    void switchTimetable(int index);
    // showSchedule returns the window to the rule table first (the popup item does, the toolbar does not).
    void addRule(const std::function<void()>& showSchedule);
    void modifyRule();
    void deleteRule();
    void clearTimetable();
    // The timetable as a spreadsheet (CSV), and its rules replaced by a spreadsheet's rows.
    void exportCsv();
    void importCsv();

private:
    // The current row when it shows a rule, else 0.
    int ruleRow() const;

    ScheduleContext& m_context;
    EditorState& m_editor;
    const AppConfig& m_config;
    Dialogs& m_dialogs;
    RuleEditorHost& m_host;
    std::string m_programDir;
};

// Deletes the rule of table row `row` (1 … ) from the timetable file as it is on disk and reloads;
// false when there is no such rule or nothing was written (said through `dialogs` or the log).
bool deleteRuleRow(ScheduleContext& context, Dialogs& dialogs, int row);

} // namespace ringvale
