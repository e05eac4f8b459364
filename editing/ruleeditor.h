#pragma once

#include "core/dialogs.h"
#include "core/schedulecontext.h"
#include "editing/editorstate.h"
#include "editing/ruleeditorview.h"

namespace ringvale {

// The rule editor's procedures: filling it when it opens and saving a rule. A save reads the
// file again first and writes only the timetable the editor works on, so rules deleted or
// cleared meanwhile never come back, and a modification replaces exactly the record shown.
class RuleEditor {
public:
    RuleEditor(ScheduleContext& context, EditorState& editor, Dialogs& dialogs);

    // Reads the timetable and, in modify mode, fills the fields from the rule of `currentRow`.
    void init(RuleEditorView& view, int currentRow);
    // Checks the fields, writes the rule into the file and reloads the timetable. False when
    // it refused or could not write.
    bool save(RuleEditorView& view);
    // The main window switched to another timetable: the open editor follows it, and a
    // modification of a rule of the old one becomes a new rule with empty path and times.
    void followTimetable(RuleEditorView& view);

private:
    // The rain flag of the rule just saved follows it; the record it replaced loses its flag.
    void updateRainGate(const std::string& replacedRecord, const std::string& record, bool gated);

    ScheduleContext& m_context;
    EditorState& m_editor;
    Dialogs& m_dialogs;
};

} // namespace ringvale
