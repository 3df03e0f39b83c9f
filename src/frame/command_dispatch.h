// The commands of the menu, the keys and the command panel that change
// settings or modes, and which commands can be chosen now. The window calls
// ApplySettingCommand for every command and does what the returned change
// asks (redraw, new title, new style); the commands that need a dialog, a
// file or a run are carried out by the window itself.
#pragma once

#include <string>

#include "base/file_time.h"
#include "frame/settings.h"
#include "results/nc_check.h"
#include "resources/menu_table.h"

namespace morvex {

// The desktop's modes that live as long as the window.
struct DeskState {
    int stopMode = 1;  // 0 no stop, 1 M00, 2 M01 too, 3 single block, 4 defined positions
    bool ncLoaded = false;
    bool workExists = false;
    bool runActive = false;
    std::string workFile;  // the work file loaded last ("" none)
    int mouseMode = 11;    // the context menu's mode: 11 drag-rotate
    bool fitOnResize = false;  // a resized window fits the work again (else the scale stays)
    // The last "Check Data" run, of the program file at that path and time:
    // the report uses its totals while the program is unchanged.
    CheckResult lastCheck;
    std::string lastCheckProgram;
    FileTime lastCheckTime;
};

// What a command changed.
struct SettingChange {
    bool applied = false;  // the command is a setting or mode handled here
    bool redraw = false;   // the work is to be drawn again (style, mesh, drawing step)
    bool title = false;    // the title shows it (colour mode)
    bool loadSounds = false;  // sound was switched on: the sounds are to be loaded
};

// Applies a toggle, a radio-group member or the colour-mode switch.
SettingChange ApplySettingCommand(Settings& settings, DeskState& desk, int id);

// The Y key: the other colour mode.
int ColourModeSwitch(const Settings& settings);

// Whether the command's operation is part of this program at all (the rest
// stay greyed until their parts join it).
bool IsCommandBuilt(int id);

// Whether a command may be chosen now: built, an NC program read for the
// run and path commands, a work for the work commands, not locked by a
// running program, and the colour modes not under the mesh display.
bool CanChooseCommand(int id, const Settings& settings, const DeskState& desk);

// The items a run greys, by their place in the menu: the first three of
// the NC menu, 0-3 and 7-12 of the work menu, 19 of the machining menu and
// the whole definition-file menu; and the plug-in items (simulation,
// modifier and the network switch).
bool LockedDuringRun(const MenuBarDef& menu, int id);

}  // namespace morvex
