#pragma once

// Fakes of the window and the sound output for the scheduler's procedures.

#include "core/clocktick.h"
#include "core/dialogs.h"
#include "core/playback.h"
#include "core/schedulecontext.h"
#include "core/scheduleview.h"

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ringvale::testing {

class FakeRuleTable : public RuleTable {
public:
    void resetRuleGrid() override {
        rows.clear();
        problems.clear();
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
    void markMusicProblem(int row, std::string_view reason) override { problems[row] = reason; }

    std::vector<GridRow> rows; // the rule rows, 1 … n
    int resets = 0;
    int cursorRow = -1;
    int cursorColumn = -1;
    std::map<int, std::string> problems; // row -> reason
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
    PlayId playFile(std::int32_t count, const std::string& path) override {
        plays.push_back({count, path});
        return plays.size();
    }
    void stopAll() override { ++stops; }
    void prepare() override { ++prepares; }
    PlayId playBell(std::int32_t count, const std::string& path, const RuleSound& sound) override {
        sounds.push_back(sound);
        return playFile(count, path);
    }
    void prepareBell(std::int32_t count, const std::string& path, const RuleSound&, WallTime due) override {
        prepared = Prepared{{count, path}, due};
    }
    void cancelPrepared() override { prepared.reset(); }

    struct Prepared {
        Call bell;
        WallTime due;
    };
    std::vector<Call> plays;
    std::optional<Prepared> prepared; // the bell prepared and not dropped
    std::vector<RuleSound> sounds;    // each bell's
    int stops = 0;
    int prepares = 0;
};

// Keeps what was logged, and what outcome was expected of which playback.
class FakeBellLog : public BellLog {
public:
    void record(BellEntry entry) override { entries.push_back(std::move(entry)); }
    void expectOutcome(PlayId id, BellEntry entry, std::optional<WallTime> due) override {
        expected.push_back({id, std::move(entry), due});
    }
    // The events logged so far.
    std::vector<BellEvent> events() const {
        std::vector<BellEvent> out;
        for (const BellEntry& entry : entries)
            out.push_back(entry.event);
        return out;
    }
    struct Expected {
        PlayId id;
        BellEntry entry;
        std::optional<WallTime> due;
    };
    std::vector<BellEntry> entries;
    std::vector<Expected> expected;
};

// The schedule state with a fake window and sound output around it.
struct FakeSchedule {
    ScheduleState state;
    FakeRuleTable table;
    FakeStatusBoard status;
    FakePlayback playback;
    FakeBellLog log;
    ScheduleContext context{state, table, status, playback, log};
};

// The local instant of weekday (1 = Sunday … 7 = Saturday) hour:minute:second.millisecond in
// the week of Sunday 4 January 2026, plus `weeks` weeks.
inline WallTime localInstant(int weekday, int hour, int minute, int second, int millisecond = 0,
                             int weeks = 0) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 0;
    tm.tm_mday = 3 + weekday + 7 * weeks;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm)) + std::chrono::milliseconds(millisecond);
}

// A clock that shows whatever time the test sets.
class FakeClock : public Clock {
public:
    WallTime now() const override { return time; }
    void set(int weekday, int hour, int minute, int second, int millisecond = 0) {
        time = localInstant(weekday, hour, minute, second, millisecond);
    }
    WallTime time = localInstant(2, 7, 30, 0); // a Monday, 07:30:00
};

class FakeTickView : public TickView {
public:
    void setElapsedText(std::string_view text) override { elapsed = text; }
    bool isShutdownTicked() const override { return shutdownTicked; }
    std::string elapsed;
    bool shutdownTicked = false;
};

// Counts power-off requests.
class FakePower : public PowerSwitch {
public:
    void requestPowerOff() override { ++requests; }
    int requests = 0;
};

// Answers every dialog at once and records what was asked.
class FakeDialogs : public Dialogs {
public:
    void showError(std::string_view text) override { errors.emplace_back(text); }
    bool askYesNo(std::string_view text, std::string_view caption) override {
        questions.push_back(std::string(caption) + "|" + std::string(text));
        return answerYes;
    }
    void showMessage(std::string_view text, std::string_view caption, bool iconless) override {
        messages.push_back(std::string(caption) + "|" + std::string(text) +
                           (iconless ? "|no icon" : "|icon"));
    }
    std::optional<std::string> chooseFileToOpen(std::string_view filter) override {
        filters.emplace_back(filter);
        return chosenFile;
    }
    std::optional<std::string> chooseFileToSave(std::string_view filter,
                                                std::string_view suggested) override {
        filters.push_back(std::string(filter) + "|" + std::string(suggested));
        return chosenFile;
    }

    std::vector<std::string> errors, questions, messages, filters;
    bool answerYes = false;
    std::optional<std::string> chosenFile;
};

} // namespace ringvale::testing
