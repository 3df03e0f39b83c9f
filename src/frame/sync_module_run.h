// The synchronisation module in the program's runs: at a run's start it may
// supply the G54..G59 work offsets the run uses (the controller's are put
// back when the run ends, unless the program changed them meanwhile), it is
// told every step and the end. Without the module nothing of this is set
// up, so a run costs nothing more.
#pragma once

#include "frame/app.h"
#include "sim/run_control.h"

namespace morvex {

// The run's start: GET, the offsets, and the hooks that PUT each step
// (after any `publish` hook already set) and the end.
void AttachSyncModuleToRun(App& app, RunSetup& setup);

// The notes the plug-in code collected, written to the log (standard error).
void ReportModuleNotes(App& app);

}  // namespace morvex
