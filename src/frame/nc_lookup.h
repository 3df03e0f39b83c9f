// Finding the NC program named on the command line: as given, in the NC
// folder of the settings, with the ".NC" ending added, and finally in the
// program's own folder, which needs the user's consent.
#pragma once

#include <string>

#include "frame/app.h"

namespace morvex {

class Host;

struct NcLookup {
    std::string path;           // the file found, empty when none
    bool inProgramDir = false;  // found only beside the executable
};

// The candidates in order: the name as given (relative to the current
// folder), then relative to `ncDir`; each again with ".NC" and ".nc"
// appended; then the same three forms of the name in `programDir`.
NcLookup FindNcProgram(const std::string& name, const std::string& ncDir, const std::string& programDir);

// Resolves the launch's NC program after the settings are read. A file
// found only in the program folder is used when the user answers the
// question with Yes (an unattended host answers No). When nothing usable
// is found, the automatic run mode of the window is cleared unless a work
// file, a report or an output work still gives the run something to do. Returns
// what became of the named program.
enum class NcResolve { NotNamed, Ready, Declined, Missing };
NcResolve ResolveNcProgram(App& app, Host& host);

}  // namespace morvex
