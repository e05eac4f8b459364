#pragma once

#include "core/dialogs.h"
#include "core/schedulecontext.h"
#include "editing/editorstate.h"
#include "editing/timetablecommands.h"

#include <functional>
#include <string>

namespace ringvale {

// The toolbar's buttons that do something, by their place in the window design (the others are
// separators and blank spacers).
enum class ToolbarButton {
    Add = 1,
    SettingsAndHelp = 2,
    Exit = 4,
    Run = 7,
    StopPlaying = 9,
    SongStation = 11,
    County = 14,
};

// What the toolbar's commands need of the main window besides the status board.
class MainViews {
public:
    virtual ~MainViews() = default;
    virtual void showSettingsAndHelpView() = 0;
    virtual void showSongStationView() = 0;
    virtual void requestProgramEnd() = 0;
    // The running button's checked state, which is the running state the operator asked for.
    virtual bool runningShown() const = 0;
    // The county the county button shows (GBK).
    virtual std::string countyShown() const = 0;
};

// The toolbar's commands: the views, exit, the running toggle, stop and the county probe.
class ToolbarCommands {
public:
    // probeCounty runs the weather probe for a county (GBK; empty: the saved one).
    ToolbarCommands(ScheduleContext& context, EditorState& editor, RuleEditorHost& editorHost,
                    Dialogs& dialogs, MainViews& views, std::function<void(const std::string&)> probeCounty);

    void click(ToolbarButton button);

private:
    void toggleRunning();

    ScheduleContext& m_context;
    EditorState& m_editor;
    RuleEditorHost& m_editorHost;
    Dialogs& m_dialogs;
    MainViews& m_views;
    std::function<void(const std::string&)> m_probeCounty;
};

} // namespace ringvale
