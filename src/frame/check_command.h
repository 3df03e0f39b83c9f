// The NC check from the command line (--check): one JSON object with the
// program's extents, lengths, times, feed extremes and the codes it uses.
#pragma once

#include <cstdio>
#include <string>

#include "frame/app.h"
#include "results/nc_check.h"

namespace morvex {

class Host;

// The JSON object of a check result, on one line.
std::string CheckResultJson(const CheckResult& result);

// The check of the command line's NC program under the App's settings and
// tool table (tip lowered by each tool's length shift).
CheckInput CheckInputOf(const App& app, int mode);
CheckTools CheckToolsOf(const App& app);

// The NC error that stopped a check of the command line's program: to the
// batch log, or in a message box when `batch` is false.
void ShowCheckAlarm(const App& app, Host& host, const CheckResult& result, bool batch = true);

// Checks the NC program of the command line under the definitions read at
// start-up and prints the result to `out`. Returns the exit status: 0 done,
// 1 an NC error (the JSON is still printed), 2 a file that cannot be read.
int RunCheckCommand(App& app, Host& host, std::FILE* out);

}  // namespace morvex
