#pragma once

// What the scheduler needs of the main window. The window implements these; tests use fakes.
// All texts are GBK.

#include "core/timetable.h"

#include <string_view>
#include <vector>

namespace ringvale {

// The rule table. Row 0 is the header; row r >= 1 shows element r of the rule list.
class RuleTable {
public:
    virtual ~RuleTable() = default;
    // Back to the header row and one empty row, with the column layout of the table.
    virtual void resetRuleGrid() = 0;
    // Fills the empty row at the bottom with the first row of cells, adds a new empty row below
    // it, and so on for each further row: the table always ends in one empty row.
    virtual void appendRuleRows(std::vector<GridRow> rows) = 0;
    virtual int rowCount() const = 0;
    // The row of the focus cell, -1 when no cell has the focus.
    virtual int currentRow() const = 0;
    virtual void moveCursor(int row, int column) = 0;
    // Row `row`'s music file cannot be played (reason in UTF-8): its music cell says so, its
    // text unchanged. A reset clears every mark.
    virtual void markMusicProblem(int row, std::string_view reason) = 0;
};

// The labels along the bottom edge and the running button of the toolbar.
class StatusBoard {
public:
    virtual ~StatusBoard() = default;
    virtual void setStatusText(std::string_view text) = 0;
    virtual void setNextRuleText(std::string_view text) = 0;
    virtual void setRunningShown(bool running) = 0;
};

} // namespace ringvale
