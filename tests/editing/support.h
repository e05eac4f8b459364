#pragma once

#include "editing/ruleeditorview.h"

namespace ringvale::testing {

class FakeEditorView : public RuleEditorView {
public:
    RuleFields fields() const override { return current; }
    void setFields(const RuleFields& f) override { current = f; }
    void clearPathAndTimes() override {
        current.musicPath.clear();
        current.times = {};
    }
    void focusFirstTime() override { ++firstTimeFocused; }

    RuleFields current;
    int firstTimeFocused = 0;
};

} // namespace ringvale::testing
