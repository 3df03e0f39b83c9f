#include "integration/editor_module.h"

#include <algorithm>
#include <cstring>

namespace morvex {
namespace {

void TakeText(void (*entry)(char*), const char* what, std::string& text, std::vector<std::string>& notes) {
    if (entry == nullptr) return;
    char buffer[MV_EXEC_SIZE] = {};
    const std::size_t passed = std::min(text.size(), sizeof buffer - 1);
    std::memcpy(buffer, text.data(), passed);
    entry(buffer);
    bool terminated = true;
    std::string answer = PluginText(buffer, sizeof buffer, &terminated);
    if (!terminated) {
        notes.push_back(std::string("mveditor: its ") + what + " has no end within " + std::to_string(MV_EXEC_SIZE) +
                        " bytes; cut to \"" + answer + "\"");
    }
    if (passed < text.size() && answer == text.substr(0, passed)) return;  // unchanged, only cut by the buffer
    text = std::move(answer);
}

}  // namespace

void TakeEditorModuleTexts(const EditorEntries& entries, std::string& program, std::string& option,
                           std::vector<std::string>& notes) {
    TakeText(entries.execProgram, "editor program", program, notes);
    TakeText(entries.execOption, "editor option", option, notes);
}

}  // namespace morvex
