#pragma once

#include "core/dialogs.h"
#include "editing/editorstate.h"
#include "editing/ruleeditor.h"
#include "editing/timetablecommands.h"

#include <QObject>
#include <QPointer>

#include <QMdiSubWindow>

namespace ringvale {

class MainWindow;
class RuleEditorWindow;

// Shows the rule editor as a child window inside the main window's client area, so it moves
// and hides with it, and connects its buttons to the editor's procedures.
class RuleEditorHostWindow final : public QObject, public RuleEditorHost {
    Q_OBJECT
public:
    RuleEditorHostWindow(MainWindow& window, RuleEditor& editing, EditorState& editor, Dialogs& dialogs);

    // Creates and fills the editor, or brings the open one to the front. An open editor is
    // filled again when a modification is asked for, and set back to a new rule when "新增"
    // follows an unfinished modification.
    void openRuleEditor() override;
    void timetableSwitched() override;

    RuleEditorWindow* editor() const;
    QMdiSubWindow* editorWindow() const { return m_frame; }
    void closeRuleEditor();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create();
    void chooseMusicFile();

    MainWindow& m_window;
    RuleEditor& m_editing;
    EditorState& m_editor;
    Dialogs& m_dialogs;
    QPointer<QMdiSubWindow> m_frame;
    EditorState::Mode m_shownMode = EditorState::Mode::Add;
};

} // namespace ringvale
