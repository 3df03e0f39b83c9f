// Starting a machining run from the App: the run's setup from the settings,
// the definitions and the menu's check modes, and the definition files read
// again when they changed on disk.
#pragma once

#include <functional>

#include "frame/app.h"
#include "sim/run_control.h"

namespace morvex {

class Host;

// The setup of a run in `runMode` (fast: the fast version) of the command
// line's NC program; `batch` sends alarms to the batch log.
RunSetup MakeRunSetup(const App& app, int runMode, bool fast, bool batch);

// The start of a run command: nothing without a work; otherwise changed
// definition files are read again and the run is started. False when the
// run could not start.
// `adjust` completes the setup (the window's stop mode and drawing hooks).
[[nodiscard]] bool StartRunFromApp(App& app, Host& host, CuttingRun& run, int runMode, bool fast, bool batch,
                                   const std::function<void(RunSetup&)>& adjust = {});

// Reads again every definition file that changed on disk since it was read.
void RefreshDefinitionsForRun(App& app, Host& host);

}  // namespace morvex
