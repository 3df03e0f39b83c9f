// Which menu items carry a check mark and which can be chosen, computed from
// the settings and the program's state so that the window only shows it.
#pragma once

#include <vector>

#include "frame/settings.h"

namespace morvex {

// Command identifiers that are checked: toggles whose flag is on and the
// current member of each radio group.
std::vector<int> CheckedCommands(const Settings& settings, int stopMode);

// Whether a command switches a flag on and off (it shows a check mark).
bool IsToggleCommand(int id);

}  // namespace morvex
