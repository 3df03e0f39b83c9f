// The window and the pictures drawn without a window live in a module of
// their own next to the program, loaded only when a run needs them: the
// command-line jobs (checks, listings, unattended cuts) start without
// loading Qt and its libraries, a few milliseconds of every batch run.
#pragma once

#include <string>

namespace morvex {

struct App;
class Host;

// The module's file in the program's directory.
inline constexpr const char* kDesktopModuleFile = "morvex_desktop.so";

// The module's entries, C names so that dlsym finds them as written.
struct DesktopModule {
    // The desktop program: the window until it is closed; the exit status.
    int (*runWindow)(App* app, char* program) = nullptr;
    // The --image picture of an unattended run; 0, or 2 when it failed (told through host).
    int (*writePicture)(App* app, Host* host) = nullptr;
};

// Loads the module from `dir` (an absolute path: nothing else is searched)
// and finds its entries. It stays loaded for the rest of the process. False
// with a message naming the file and the reason when it cannot be used.
bool LoadDesktopModule(const std::string& dir, DesktopModule& module, std::string& error);

}  // namespace morvex
