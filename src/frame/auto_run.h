// The automatic run of the command line (/X1 .. /X7): which run each mode
// number and variant letter selects, the outputs written after it, and what
// becomes of the window when its program is missing.
//
//   /X1 real machining          /X4 fast skip machining
//   /X2 skip machining          /X5 fast machining with result display
//   /X3 machining with result display
//   /X6 machining with result display, unattended (no window)
//   /X7 fast machining with result display, unattended
// Variant letters (after /X3 .. /X6, in any order):
//   O  also write the optimised NC program and the cut data (section Optimize)
//   N  non-stop: the run does not stop at M00, M01 or the stop blocks
#pragma once

#include <string_view>

#include "frame/app.h"

namespace morvex {

class Host;

struct AutoRunPlan {
    int runMode = 0;        // kRunReal, kRunSkip or kRunResult; 0 no run
    bool fast = false;      // the fast version of the run
    bool window = true;     // false: the run has no window (/X6, /X7)
    bool optimize = false;  // O
    bool nonStop = false;   // N
    char badLetter = 0;     // the first variant letter that selects nothing; 0 none
};

AutoRunPlan AutoRunPlanOf(int autoRunMode, std::string_view variant);

// After an automatic run: the work written to the /O file and the report of
// /V or /V5. 0 when everything asked for was written, 2 otherwise (each
// failure told through the host). The report's check tells its NC error
// unless the run ended with that alarm (code, program line).
int WriteRunOutputs(App& app, Host& host, int runAlarm = 0, int runAlarmLine = 0);

// The window's NC program was not found (`autoRunMode` as the command line
// gave it): below mode 5 the window tells it in a message box once it is
// open (`tellNcMissing`), so that the box has its window; from mode 5 on the
// program is appended to the batch log and the program ends without a window
// (`endAtStart`). Either way the automatic run is cleared.
void ReportMissingNcProgram(App& app, int autoRunMode);

}  // namespace morvex
