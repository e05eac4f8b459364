#include "editing/toolbarcommands.h"

#include "core/codepage.h"
#include "core/gbktext.h"
#include "core/timetableloader.h"

namespace ringvale {

ToolbarCommands::ToolbarCommands(ScheduleContext& context, EditorState& editor, RuleEditorHost& editorHost,
                                 Dialogs& dialogs, MainViews& views,
                                 std::function<void(const std::string&)> probeCounty)
    : m_context(context), m_editor(editor), m_editorHost(editorHost), m_dialogs(dialogs), m_views(views),
      m_probeCounty(std::move(probeCounty)) {}

void ToolbarCommands::click(ToolbarButton button) {
    static const std::string kExitQuestion = gbkFromUtf8("您真的要退出吗？");
    static const std::string kExitCaption = gbkFromUtf8("重要提示...");
    switch (button) {
    case ToolbarButton::Add:
        m_editor.mode = EditorState::Mode::Add;
        m_editorHost.openRuleEditor();
        break;
    case ToolbarButton::SettingsAndHelp:
        m_views.showSettingsAndHelpView();
        break;
    case ToolbarButton::Exit:
        if (m_dialogs.askYesNo(kExitQuestion, kExitCaption))
            m_views.requestProgramEnd();
        break;
    case ToolbarButton::Run:
        toggleRunning();
        break;
    case ToolbarButton::StopPlaying: {
        m_context.playback.stopAll();
        m_context.status.setStatusText({});
        BellEntry entry;
        entry.event = BellEvent::Stopped;
        entry.detail = "stop from the toolbar";
        m_context.log.record(std::move(entry));
        break;
    }
    case ToolbarButton::SongStation:
        m_views.showSongStationView();
        break;
    case ToolbarButton::County:
        // The county button probes the county it shows (the saved one when it shows none).
        m_probeCounty(textTrim(m_views.countyShown()));
        break;
    }
}

void ToolbarCommands::toggleRunning() {
    m_context.state.running = m_views.runningShown();
    if (m_context.state.rules.empty()) {
        // Nothing to run: the button springs back and the editor opens for a first rule.
        m_context.status.setRunningShown(false);
        m_context.state.running = false;
        m_editor.mode = EditorState::Mode::Add;
        m_editorHost.openRuleEditor();
    }
    if (!m_context.state.running)
        m_context.playback.cancelPrepared(); // a bell about to ring stays silent
    m_context.status.setStatusText(runningStateText(m_context.state.running));
    m_context.log.record(systemEntry(m_context.state.running ? "system running" : "system stopped"));
}

} // namespace ringvale
