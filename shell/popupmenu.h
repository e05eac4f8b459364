#pragma once

#include <QMenu>

namespace ringvale {

// The popup menu of the rule table and the tray icon: 新增, 修改, 删除, 立即播放, 停止播放, 清空,
// 全校停铃, 导出为表格, 从表格导入, 退出 with separators between groups; each item is named (menuAdd,
// menuModify, …).
class PopupMenu final : public QMenu {
    Q_OBJECT
public:
    enum class Placement { Table, Tray };

    explicit PopupMenu(QWidget* parent);

    // Where the menu's top-left corner goes: from the table just right of and below the pointer,
    // from the tray with its top-right corner up and left of it.
    static QPoint topLeft(Placement placement, QPoint cursor, QSize menuSize);
    void popupAt(Placement placement, QPoint cursor);

signals:
    void addRuleRequested();
    void modifyRuleRequested();
    void deleteRuleRequested();
    void playNowRequested();
    void stopPlayingRequested();
    void clearTimetableRequested();
    void lockdownRequested();
    void exportCsvRequested();
    void importCsvRequested();
    void exitRequested();
};

} // namespace ringvale
