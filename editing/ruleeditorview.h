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

} // namespace ringvale
