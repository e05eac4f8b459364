#pragma once

// Fakes of the window and the sound output for the scheduler's procedures.

#include "playback.h"
#include "scheduleview.h"

#include <string>
#include <vector>

namespace ringvale::testing {

class FakeRuleTable : public RuleTable {
public:
    void resetRuleGrid() override {
        rows.clear();
        ++resets;
    }
    void appendRuleRows(std::vector<GridRow> added) override {
        for (auto& row : added)
            rows.push_back(std::move(row));
    }
    int rowCount() const override { return static_cast<int>(rows.size()) + 2; }
    int currentRow() const override { return cursorRow; }
    void moveCursor(int row, int column) override {
        cursorRow = row;
        cursorColumn = column;
    }

    std::vector<GridRow> rows; // the rule rows, 1 … n
    int resets = 0;
    int cursorRow = -1;
    int cursorColumn = -1;
};

class FakeStatusBoard : public StatusBoard {
public:
    void setStatusText(std::string_view text) override { status = text; }
    void setNextRuleText(std::string_view text) override { nextRule = text; }
    void setRunningShown(bool running) override { runningShown = running; }

    std::string status = "untouched";
    std::string nextRule = "untouched";
    bool runningShown = false;
};

class FakePlayback : public Playback {
public:
    struct Call {
        std::int32_t count;
        std::string path;
        bool operator==(const Call&) const = default;
    };
    void playFile(std::int32_t count, const std::string& path) override { plays.push_back({count, path}); }
    void stopAll() override { ++stops; }

    std::vector<Call> plays;
    int stops = 0;
};

} // namespace ringvale::testing
