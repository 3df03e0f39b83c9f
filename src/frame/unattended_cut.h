// The unattended cutting run of the command line (/X6, /X7): the work from a
// DMF file, a /DX box, the program's optimum box (/D) or INITIAL SIZE; the
// program cut in run mode 3 (the fast version with /X7); the work written to
// the /O file.
#pragma once

#include "frame/app.h"

namespace morvex {

class Host;

// The work the program starts with (unattended or in the window): a DMF
// file of the command line, else the /DX box, the optimum work (/D) or
// INITIAL SIZE. 0 when it exists, else the exit status (2).
int PrepareLaunchWork(App& app, Host& host);

// Exit status: 0 the program ran to its end, 1 an alarm, an abort or an NC
// error ended it (the output work is still written), 2 unusable arguments
// or files.
int RunUnattendedCut(App& app, Host& host);

}  // namespace morvex
