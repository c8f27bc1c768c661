#pragma once

#include <functional>

class QMenu;
class QWidget;

/// The window's own menu (a right click on its background): 打开词库…, then after a separator
/// the about entry when the string table has its text. `command` gets an entry's command id
/// (the about entry's IDM_ABOUTBOX).
QMenu* CreateWindowMenu(QWidget* window, std::function<void()> openVocabulary, std::function<void(unsigned)> command);
