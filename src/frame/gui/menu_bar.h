// Builds the window's menu bar from the menu table.
#pragma once

#include <QHash>

#include "resources/menu_table.h"

class QAction;
class QMenuBar;

namespace morvex {

// Adds the pull-downs of `menu` to `bar`; items become actions (checkable,
// grouped for radio sub-menus) whose data is the command identifier.
QHash<int, QAction*> BuildMenuBar(const MenuBarDef& menu, QMenuBar& bar);

}  // namespace morvex
