// Menu bar construction.
#include "frame/gui/menu_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "frame/menu_state.h"

namespace morvex {
namespace {

void AddItems(const std::vector<MenuItem>& items, QMenu& menu, QHash<int, QAction*>& actions) {
    QActionGroup* group = nullptr;
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItemKind::Separator:
            menu.addSeparator();
            group = nullptr;
            break;
        case MenuItemKind::Submenu: {
            QMenu* sub = menu.addMenu(QString::fromStdString(item.text));
            AddItems(item.items, *sub, actions);
            group = nullptr;
            break;
        }
        case MenuItemKind::Command: {
            QAction* action = menu.addAction(QString::fromStdString(item.text));
            action->setData(item.id);
            action->setCheckable(item.radio || IsToggleCommand(item.id));
            if (item.radio) {
                if (!group) group = new QActionGroup(&menu);
                group->addAction(action);
            }
            actions.insert(item.id, action);
            break;
        }
        }
    }
}

}  // namespace

QHash<int, QAction*> BuildMenuBar(const MenuBarDef& menu, QMenuBar& bar) {
    QHash<int, QAction*> actions;
    for (const MenuPopup& popup : menu) {
        QMenu* pulldown = bar.addMenu(QString::fromStdString(popup.title));
        AddItems(popup.items, *pulldown, actions);
    }
    return actions;
}

}  // namespace morvex
