#include "shell/ruleeditorhost.h"

#include "core/codepage.h"
#include "shell/gbkqt.h"
#include "shell/mainwindow.h"
#include "shell/ruleeditorwindow.h"

#include <QKeyEvent>
#include <QMdiSubWindow>

namespace ringvale {

RuleEditorHostWindow::RuleEditorHostWindow(MainWindow& window, RuleEditor& editing, EditorState& editor,
                                           Dialogs& dialogs)
    : m_window(window), m_editing(editing), m_editor(editor), m_dialogs(dialogs) {}

RuleEditorWindow* RuleEditorHostWindow::editor() const {
    return m_frame ? qobject_cast<RuleEditorWindow*>(m_frame->widget()) : nullptr;
}

void RuleEditorHostWindow::create() {
    m_frame = new QMdiSubWindow(&m_window, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                               Qt::WindowSystemMenuHint | Qt::CustomizeWindowHint);
    m_frame->setObjectName(QStringLiteral("RuleEditorWindow"));
    m_frame->setAttribute(Qt::WA_DeleteOnClose);
    m_frame->setWindowTitle(QString::fromUtf8("增加新任务"));
    auto* content = new RuleEditorWindow;
    m_frame->setWidget(content);
    m_frame->setFixedSize(RuleEditorWindow::kWidth, RuleEditorWindow::kHeight);
    m_frame->move(50, 50);
    m_frame->installEventFilter(this); // Escape on the frame itself closes the editor too
    connect(content, &RuleEditorWindow::saveRequested, this, [this] {
        if (RuleEditorWindow* e = editor(); e && m_editing.save(*e))
            m_shownMode = EditorState::Mode::Add;
    });
    connect(content, &RuleEditorWindow::chooseFileRequested, this, &RuleEditorHostWindow::chooseMusicFile);
    connect(content, &RuleEditorWindow::closeRequested, this, &RuleEditorHostWindow::closeRuleEditor);
}

void RuleEditorHostWindow::openRuleEditor() {
    const int row = m_window.currentRow();
    if (!m_frame) {
        create();
        m_editing.init(*editor(), row);
    } else if (m_editor.mode == EditorState::Mode::Modify) {
        m_editing.init(*editor(), row);
    } else if (m_shownMode == EditorState::Mode::Modify) {
        editor()->setFields(RuleFields{});
        m_editing.init(*editor(), row);
    }
    m_shownMode = m_editor.mode;
    m_frame->showNormal();
    m_frame->raise();
    m_frame->show();
    m_frame->activateWindow();
    editor()->focusChooseButton();
}

bool RuleEditorHostWindow::eventFilter(QObject* watched, QEvent* event) {
    // The type first: the frame also sends events while it is being destroyed.
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        watched == m_frame.data()) {
        closeRuleEditor();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RuleEditorHostWindow::timetableSwitched() {
    if (RuleEditorWindow* e = editor()) {
        m_editing.followTimetable(*e);
        m_shownMode = m_editor.mode;
    }
}

void RuleEditorHostWindow::closeRuleEditor() {
    if (m_frame)
        m_frame->close();
}

void RuleEditorHostWindow::chooseMusicFile() {
    static const std::string kFilter = gbkFromUtf8("音乐文件(*.MP3;*.WMA)|*.MP3;*.WMA");
    if (const auto path = m_dialogs.chooseFileToOpen(kFilter); path && editor())
        editor()->setMusicPath(qtFromGbk(*path));
}

} // namespace ringvale
