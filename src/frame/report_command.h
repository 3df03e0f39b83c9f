// The cutting-information report of the current NC program: from the
// window's menu, after an unattended cut (/V, /V5 with /X6 or /X7) and on
// its own without a window (/V6).
#pragma once

#include <string>

#include "frame/app.h"
#include "results/nc_check.h"
#include "results/report_template.h"

namespace morvex {

class Host;

// The values a report shows, from a data check of the program and the
// definitions in force.
ReportValues ReportValuesOf(const App& app, const CheckResult& check);

// Writes the report of `check` (from the template "verify_form.def" in the
// start folder or the settings folder, else the built-in report). Returns
// the report's path, or "" after "Write protect" with the file's name.
std::string WriteCuttingReport(const App& app, Host& host, const CheckResult& check);

// The data check of the command line's program and its report: 0, 1 when
// the check stopped at an NC error, 2 when the program cannot be read or
// the report cannot be written (told). The NC error is told first (to the
// batch log when `batch`, else in a message box), unless a run just ended
// with that alarm (`toldAlarm`, alarm code) at that program line.
int WriteProgramReport(App& app, Host& host, bool batch, int toldAlarm = 0, int toldLine = 0);

// The data check of the command line's program and its report. Returns 0,
// 1 when the check stopped at an NC error (the report shows what was read),
// 2 when the program cannot be read or the report cannot be written. An NC
// error is told (logged in batch mode) before the report is written, and
// also when it cannot be.
int RunReportCommand(App& app, Host& host);

}  // namespace morvex
