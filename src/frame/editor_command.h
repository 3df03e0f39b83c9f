// The editors of the definition files (EXEC_TTL_EDITOR and its kin): an
// editor text is a program, quoted or not, optionally followed by quoted
// arguments where "%1" stands for the file; without "%1" the file is added
// as the last argument. An empty program opens the file with the system's
// viewer for its type.
#pragma once

#include <string>
#include <vector>

#include "base/text.h"  // CommandWords
#include "frame/settings.h"
#include "integration/editor_control.h"

namespace morvex {

class Host;

struct EditorCommand {
    std::string program;  // "" the system's viewer
    std::vector<std::string> args;
};

EditorCommand EditorCommandOf(const std::string& setting, const std::string& file);

// Starts the editor on `file`; false when it could not be started.
bool OpenInEditor(Host& host, const std::string& setting, const std::string& file);

// The editor of the NC program as section ExecEditor names it. The editor
// instance this process drives (Vim's server, Neovim's socket) is named
// after the process, so that two instances do not drive one editor. With an
// editor module among `plugins`, the module drives the editor.
EditorSetup NcEditorSetup(const EditorSettings& settings, const PluginSet* plugins = nullptr);

}  // namespace morvex
