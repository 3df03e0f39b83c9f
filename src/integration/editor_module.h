// The editor module's say on which editor is started: after the settings
// are read it may replace the editor program and its option template.
#pragma once

#include <string>
#include <vector>

#include "integration/plugins.h"

namespace morvex {

// Hands `program` and `option` to the module's EXECPROGRAM and EXECOPTION
// entries (each in a buffer of MV_EXEC_SIZE bytes) and takes back what they
// leave there. A text without an end within the buffer is cut and noted; a
// setting too long for the buffer that the module hands back unchanged is
// kept whole. A missing entry leaves its text as it is.
void TakeEditorModuleTexts(const EditorEntries& entries, std::string& program, std::string& option,
                           std::vector<std::string>& notes);

}  // namespace morvex
