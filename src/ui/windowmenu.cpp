#include "ui/windowmenu.h"

#include <QAction>
#include <QMenu>

#include "resources/dialogtemplate.h"
#include "resources/resourceids.h"

QMenu* CreateWindowMenu(QWidget* window, std::function<void()> openVocabulary, std::function<void(unsigned)> command)
{
    auto* menu = new QMenu(window);
    menu->setObjectName(QStringLiteral("systemMenu"));
    QAction* open = menu->addAction(QStringLiteral("打开词库…"));
    open->setObjectName(QStringLiteral("openVocabularyAction"));
    QObject::connect(open, &QAction::triggered, menu, [openVocabulary = std::move(openVocabulary)] { openVocabulary(); });
    if (const QString text = QString::fromUtf16(loadResourceString(IDS_ABOUTBOX)); !text.isEmpty()) {
        menu->addSeparator();
        QAction* about = menu->addAction(text);
        about->setObjectName(QStringLiteral("aboutAction"));
        about->setData(IDM_ABOUTBOX);
        QObject::connect(about, &QAction::triggered, menu,
                         [about, command = std::move(command)] { command(about->data().toUInt()); });
    }
    return menu;
}

OwnListMenu CreateOwnListMenu(QWidget* window)
{
    OwnListMenu entries;
    entries.menu = new QMenu(window);
    entries.menu->setObjectName(QStringLiteral("courseTreeMenu"));
    const auto add = [&entries](const QString& text, const QString& name) {
        QAction* action = entries.menu->addAction(text);
        action->setObjectName(name);
        return action;
    };
    entries.create = add(QStringLiteral("新建词表…"), QStringLiteral("newOwnListAction"));
    entries.menu->addSeparator();
    entries.edit = add(QStringLiteral("编辑词表…"), QStringLiteral("editOwnListAction"));
    entries.rename = add(QStringLiteral("重命名…"), QStringLiteral("renameOwnListAction"));
    entries.remove = add(QStringLiteral("删除"), QStringLiteral("removeOwnListAction"));
    entries.menu->addSeparator();
    entries.exportCsv = add(QStringLiteral("导出 CSV…"), QStringLiteral("exportOwnListAction"));
    entries.ShowListEntries(false);
    return entries;
}

void OwnListMenu::ShowListEntries(bool onList) const
{
    for (QAction* action : menu->actions()) {
        if (action != create)
            action->setVisible(onList);
    }
}
