#pragma once

// Window, sound and power stand-ins that do nothing, for timing the scheduler alone.

#include "core/clocktick.h"
#include "core/playback.h"
#include "core/scheduleview.h"

namespace ringvale::bench {

class NullTable final : public RuleTable {
public:
    void resetRuleGrid() override {}
    void appendRuleRows(std::vector<GridRow>) override {}
    int rowCount() const override { return 2; }
    int currentRow() const override { return -1; }
    void moveCursor(int, int) override {}
    void markMusicProblem(int, std::string_view) override {}
};

class NullStatus final : public StatusBoard, public TickView {
public:
    void setStatusText(std::string_view) override {}
    void setNextRuleText(std::string_view) override {}
    void setRunningShown(bool) override {}
    void setElapsedText(std::string_view) override {}
    bool isShutdownTicked() const override { return false; }
};

class NullPlayback final : public Playback {
public:
    PlayId playFile(std::int32_t, const std::string&) override { return 0; }
    void stopAll() override {}
    void prepare() override {}
};

class NullPower final : public PowerSwitch {
public:
    void requestPowerOff() override {}
};

} // namespace ringvale::bench
