// Start-up and shutdown of the program in their fixed order. The steps before
// a host exists, the steps after it, the window's destroy handling and the
// final release are separate so that the desktop and unattended runs share them.
#pragma once

#include <string>
#include <vector>

#include "frame/app.h"
#include "frame/settings_writer.h"
#include "nc/wait_files.h"

namespace morvex {

class Host;

inline constexpr const char* kProgramVersion = MORVEX_VERSION;

struct StartResult {
    bool exit = false;  // stop here with `exitCode`
    int exitCode = 0;
    std::string output;  // for stdout (--help, --version)
    std::string error;   // for stderr
};

// System information, the start and program directories, the language
// switch, plug-in modules and the command line.
StartResult PrepareStartUp(App& app, const std::vector<std::string>& args,
                           const std::string& startDir, const std::string& programDir);

// Processor choice, the settings file, the definition files, sounds and the
// tables sized from the settings. Messages go through `host`.
void ContinueStartUp(App& app, Host& host);

// The menu as the window shows it: Japanese, or English from the message file.
void PrepareMenu(App& app);

// Records the current definition files (paths and file times) as read.
void ReadDefinitionFiles(App& app, Host& host);

// Reads one definition file again after it changed on disk. Reading the
// controller file reports its stale wait files through ReportWaitFiles.
void ReloadDefinitionFile(App& app, Host& host, DefinitionKind kind);

// A deleted wait file goes to the batch log (the status line on the
// desktop); a kept one gets a warning saying why.
void ReportWaitFiles(Host& host, const std::vector<WaitFileNote>& notes);

// The window's destroy handling: saves the display settings unless the run
// is unattended, then releases editor and plug-ins. A failed save is shown.
void HandleWindowDestroy(App& app, Host& host, const WindowPlacement& placement);

// Releases what start-up acquired, in its fixed order.
void ShutDown(App& app);

}  // namespace morvex
