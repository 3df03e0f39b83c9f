// The unattended cutting run of the command line (/X6, /X7): the work from a
// DMF file, a /DX box, the program's optimum box (/D) or INITIAL SIZE; the
// program cut in run mode 3 (the fast version with /X7); the work written to
// the /O file.
#pragma once

#include "frame/app.h"

namespace morvex {

class Host;

// Exit status: 0 the program ran to its end, 1 an alarm, an abort or an NC
// error ended it (the output work is still written), 2 unusable arguments
// or files.
int RunUnattendedCut(App& app, Host& host);

}  // namespace morvex
