#pragma once

#include "editing/rulerecord.h"

namespace ringvale {

// What the editor's logic needs of the editor window.
class RuleEditorView {
public:
    virtual ~RuleEditorView() = default;
    virtual RuleFields fields() const = 0;
    virtual void setFields(const RuleFields& fields) = 0;
    // Empties the music path and the 21 time boxes; the count and the weekdays stay.
    virtual void clearPathAndTimes() = 0;
    virtual void focusFirstTime() = 0;
};

// What the main window's commands need of the editor window: open it in the mode EditorState holds, and
// keep an open one in step when the timetable changes under it.
class RuleEditorHost {
public:
    virtual ~RuleEditorHost() = default;
    virtual void openRuleEditor() = 0;
    virtual void timetableSwitched() = 0;
};

} // namespace ringvale
