// The X key: another instance of this program, started with the command
// line EXEC_OPTION of section ExecSelf ("/X2 VAZED!.NC" by default).
#pragma once

#include <string>
#include <vector>

namespace morvex {

class Host;

// The arguments of the other instance: the template split into words
// (quoted texts keep their blanks); in each word "%1" becomes the NC
// program's path and "%2" the current line (at least 1), as in the editor
// templates. A word that is empty after that is left out.
std::vector<std::string> SelfInstanceArgs(const std::string& option, const std::string& ncProgram,
                                          int line);

// The file of the running program, "/proc/self/exe" when it cannot be read.
std::string OwnProgramFile();

// Starts the other instance, detached; false when it could not be started.
bool StartSelfInstance(Host& host, const std::string& option, const std::string& ncProgram,
                       int line);

}  // namespace morvex
