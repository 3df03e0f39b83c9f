// The automatic run of the command line in the window (/X1 .. /X5): started
// once the window and its work exist, as the run commands start it; when it
// has ended, the outputs of /O and /V are written. The window stays open.
#pragma once

#include "frame/app.h"

namespace morvex {

class Host;
class MainWindow;

// The NC program of the command line was not found: told over the open window.
void TellMissingProgram(App& app, Host& host);

// `workReady`: the launch work was loaded or defined (its failure was told).
// False when no run was started.
bool StartAutoRun(App& app, Host& host, MainWindow& window, bool workReady);

}  // namespace morvex
