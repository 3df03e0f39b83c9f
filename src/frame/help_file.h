// The user guide behind F1 and the help command: an HTML file opened with
// the desktop's browser, and a message naming the file when that fails.
#pragma once

#include <string>

namespace morvex {

class Host;

// Opens the user guide `path` (HELP/index.htm) with the system's viewer.
// A guide that is missing, or that no viewer takes, gives a message with
// its path, so that it can be opened by hand. True when a viewer took it.
bool OpenHelpFile(const std::string& path, Host& host);

}  // namespace morvex
