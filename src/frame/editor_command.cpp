// Editor commands.
#include "frame/editor_command.h"

#include <unistd.h>

#include <cstdlib>

#include "base/text.h"
#include "platform/host.h"

namespace morvex {

EditorCommand EditorCommandOf(const std::string& setting, const std::string& file) {
    EditorCommand c;
    std::vector<std::string> words = CommandWords(setting);
    if (words.empty() || words.front().empty()) return c;
    c.program = words.front();
    bool placed = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        std::string arg = words[i];
        if (arg.empty()) continue;
        for (std::size_t at = arg.find("%1"); at != std::string::npos; at = arg.find("%1", at + file.size())) {
            arg.replace(at, 2, file);
            placed = true;
        }
        c.args.push_back(arg);
    }
    if (!placed) c.args.push_back(file);
    return c;
}

bool OpenInEditor(Host& host, const std::string& setting, const std::string& file) {
    const EditorCommand c = EditorCommandOf(setting, file);
    if (c.program.empty()) return host.OpenWithViewer(file);
    return host.StartProgram(c.program, c.args);
}

EditorSetup NcEditorSetup(const EditorSettings& e, const PluginSet* plugins) {
    EditorSetup s;
    if (plugins != nullptr && HasEditorPlugin(*plugins)) s.plugin = &plugins->editor.entry;
    s.program = e.program;
    s.option = e.option;
    s.macroNo = e.macroNo;
    s.macroName = e.macroName;
    const std::string id = std::to_string(static_cast<long long>(::getpid()));
    if (EditorKindOf(e.program) == EditorKind::Neovim) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        s.server = std::string(runtime != nullptr && *runtime != '\0' ? runtime : "/tmp") + "/morvex-editor-" + id + ".sock";
    } else {
        s.server = "MORVEX-" + id;
    }
    return s;
}

}  // namespace morvex
