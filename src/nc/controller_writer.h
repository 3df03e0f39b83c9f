// Writing edited tool offsets (D, H) and work coordinates back into the
// controller definition file, keeping every other line as it was.
#pragma once

#include <string>

#include "nc/controller_def.h"

namespace morvex {

// Rewrites the MEMORY lines of one offset table ('D' or 'H') from `def` and
// appends the non-zero entries that had no line. The file is replaced through
// "<file>.new" and the previous file is kept as "<file>.bak"; on success
// def.fileTime holds the new file's time. False: the controller file is
// unchanged (and no ".new" file is left behind).
[[nodiscard]] bool WriteBackOffsets(const std::string& path, ControllerDef& def, char table);

// The same for the work coordinate entries 1..200 (MEMORY WK and G5 lines).
[[nodiscard]] bool WriteBackWorkCoordinates(const std::string& path, ControllerDef& def);

}  // namespace morvex
