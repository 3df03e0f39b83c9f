// Which menu items carry a check mark and which can be chosen, computed from
// the settings and the program's state so that the window only shows it.
#pragma once

#include <vector>

#include "frame/settings.h"

namespace morvex {

struct MenuStateInput {
    int stopMode = 1;  // 0 no stop .. 4 stop positions
    bool ncLoaded = false;
    bool workExists = false;
    bool runActive = false;
};

// Command identifiers that are checked: toggles whose flag is on and the
// current member of each radio group.
std::vector<int> CheckedCommands(const Settings& settings, const MenuStateInput& state);

// Whether a command switches a flag on and off (it shows a check mark).
bool IsToggleCommand(int id);

// Whether a command's operation is part of the program and may be chosen now.
bool IsCommandEnabled(int id, const MenuStateInput& state);

}  // namespace morvex
