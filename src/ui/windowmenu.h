#pragma once

#include <functional>

class QAction;
class QMenu;
class QWidget;

/// The window's own menu (a right click on its background): 打开词库…, then after a separator
/// the about entry when the string table has its text. `command` gets an entry's command id
/// (the about entry's IDM_ABOUTBOX).
QMenu* CreateWindowMenu(QWidget* window, std::function<void()> openVocabulary, std::function<void(unsigned)> command);

/// The course tree's menu (a right click on it): 新建词表…, and on an own list 编辑词表…,
/// 重命名…, 删除 and 导出 CSV…. The window connects the entries and shows those of a list
/// only on one (ShowListEntries).
struct OwnListMenu
{
    QMenu* menu = nullptr;
    QAction* create = nullptr;
    QAction* edit = nullptr;
    QAction* rename = nullptr;
    QAction* remove = nullptr;
    QAction* exportCsv = nullptr;

    void ShowListEntries(bool onList) const;
};
OwnListMenu CreateOwnListMenu(QWidget* window);
