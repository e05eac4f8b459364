#pragma once

#include "core/clocktick.h"
#include "core/scheduleview.h"
#include "core/startup.h"

#include <string>

namespace ringvale {

// What the engine shows, for a copy without a window: a table that holds its row count and
// nothing else to show. The bells, the log and the files are the same as the window's.
class HeadlessViews final : public RuleTable, public StatusBoard, public TickView, public StartupView {
public:
    void resetRuleGrid() override { m_rows = 2; }
    void appendRuleRows(std::vector<GridRow> rows) override { m_rows += static_cast<int>(rows.size()); }
    int rowCount() const override { return m_rows; }
    int currentRow() const override { return -1; }
    void moveCursor(int, int) override {}
    void markMusicProblem(int, std::string_view) override {}

    void setStatusText(std::string_view) override {}
    void setNextRuleText(std::string_view text) override { m_nextRule = text; }
    const std::string& nextRuleText() const { return m_nextRule; } // GBK
    void setRunningShown(bool) override {}

    void setElapsedText(std::string_view) override {}
    // Powering the machine off is the window's: the service never does.
    bool isShutdownTicked() const override { return false; }

    void installTrayIcon() override {}
    void selectTimetable(int) override {}
    void setAutoStartTicked(bool) override {}
    void setToTrayTicked(bool) override {}
    void setShutdownTicked(bool) override {}
    void setShutdownTimeText(std::string_view) override {}
    void setCountyText(std::string_view) override {}
    void startClock(int) override {}

private:
    int m_rows = 2;
    std::string m_nextRule;
};

} // namespace ringvale
