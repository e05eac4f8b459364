#include "shell/popupmenu.h"

#include <QAction>

namespace ringvale {

PopupMenu::PopupMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("popupMenu"));
    const auto item = [this](const char* text, const char* name, void (PopupMenu::*signal)()) {
        QAction* action = addAction(QString::fromUtf8(text));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, signal);
    };
    item("新增", "menuAdd", &PopupMenu::addRuleRequested);
    addSeparator();
    item("修改", "menuModify", &PopupMenu::modifyRuleRequested);
    item("删除", "menuDelete", &PopupMenu::deleteRuleRequested);
    addSeparator();
    item("立即播放", "menuPlayNow", &PopupMenu::playNowRequested);
    item("停止播放", "menuStopPlaying", &PopupMenu::stopPlayingRequested);
    addSeparator();
    item("清空", "menuClear", &PopupMenu::clearTimetableRequested);
    item("全校停铃/解除", "menuLockdown", &PopupMenu::lockdownRequested);
    addSeparator();
    item("导出为表格…", "menuExportCsv", &PopupMenu::exportCsvRequested);
    item("从表格导入…", "menuImportCsv", &PopupMenu::importCsvRequested);
    addSeparator();
    item("退出", "menuExit", &PopupMenu::exitRequested);
}

QPoint PopupMenu::topLeft(Placement placement, QPoint cursor, QSize menuSize) {
    if (placement == Placement::Table)
        return cursor + QPoint(3, 3);
    return QPoint(cursor.x() - 5 - menuSize.width(), cursor.y() - 5);
}

void PopupMenu::popupAt(Placement placement, QPoint cursor) {
    popup(topLeft(placement, cursor, sizeHint()));
}

} // namespace ringvale
