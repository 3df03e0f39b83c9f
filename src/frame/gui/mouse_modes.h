// The mouse modes of the view's context menu: their commands, names, the
// icons the menu shows and the cursor of each mode, all drawn here.
#pragma once

#include <QCursor>
#include <QPixmap>
#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace morvex {

struct MouseModeItem {
    int command;  // context-menu command identifier
    int mode;
    const char* ja;
    const char* en;
};

// In menu order.
const std::vector<MouseModeItem>& MouseModeItems();

// The mode a context-menu command selects; -1 for other commands.
int MouseModeOfCommand(int command);

// Whether the mode's operation is part of the program (the others are greyed).
bool MouseModeBuilt(int mode);

QPixmap MouseModeIcon(int mode, int size);
QCursor MouseModeCursor(int mode);

// The context menu: every mode with its icon, the current one checked;
// `choose` gets the mode picked.
QMenu* BuildMouseMenu(QWidget* parent, int current, bool english, const std::function<void(int mode)>& choose);

}  // namespace morvex
