#include "ui/windowmenu.h"

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
