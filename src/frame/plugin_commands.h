// The commands of the plug-in modules: a simulation module cutting the NC
// program into the work (the program interprets, the module cuts), a work
// modifier changing the work in place, and the switch of the network tool
// data module. Every height a module leaves is checked before the work is
// shown again.
#pragma once

#include <functional>
#include <string>

#include "frame/app.h"
#include "integration/plugin_work.h"
#include "sim/run_control.h"

namespace morvex {

class Host;

enum class PluginCommandEnd {
    NoModule,    // no module for the command, or it lacks its working entry
    NoWork,      // no work ("Please Load Work." shown)
    Cancelled,   // the module's PARAMETER answered 0: nothing changed
    NotStarted,  // the NC program could not be opened, or no memory for the check
    Done,
    Stopped,     // the module stopped the run (a negative result), or the run ended early
};

struct PluginCommandResult {
    PluginCommandEnd end = PluginCommandEnd::NoModule;
    bool changed = false;  // the work was cut or modified (workState 2)
    HeightRepair repair;   // what the height check mended
    int stopLine = 0;      // the NC line the module stopped at
};

// What the window adds to a simulation run: `adjust` completes its setup
// (progress), `started` is told once the run holds the work (the window
// locks its menu), `ended` once the module has let it go.
struct SimulationHooks {
    std::function<void(RunSetup&)> adjust;
    std::function<void()> started;
    std::function<void()> ended;
};

// The simulation command of module `index`: PARAMETER (0 cancels), PATHTYPE,
// the work backed up, GETWORK and START, the program run from its start in
// mode 3 with every motion of a chosen kind handed to CUTWORK (GETTOOL,
// GETTOOLLEN and GETARBOR at the first tool and every tool change), END; then
// the height check. Messages for a stop and a mended height are shown.
PluginCommandResult RunSimulationCommand(App& app, Host& host, int index, const SimulationHooks& hooks = {});

// The modifier command of module `index`: PARAMETER (0 cancels), the work
// backed up, GETBASICMODEL for a module that asked for it, MODWORK; a flag 0
// puts the work back as it was, else the height check and workState 2.
PluginCommandResult RunModifierCommand(App& app, Host& host, int index);

// Command 32931: the network tool data module off (or on again), then the
// tool table read again.
void ToggleNcCom(App& app, Host& host);

// The texts of the notes, in the current language.
std::string ModuleStoppedText(int line);
std::string HeightRepairText(const HeightRepair& repair);

}  // namespace morvex
