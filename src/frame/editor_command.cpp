// Editor commands.
#include "frame/editor_command.h"

#include <cctype>

#include "platform/host.h"

namespace morvex {
namespace {

// The words of the setting: quoted texts (which may hold blanks) or runs of
// non-blank characters.
std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < s.size()) {
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (s[i] == '"') {
            const std::size_t end = s.find('"', i + 1);
            word = s.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? s.size() : end + 1;
        } else {
            const std::size_t start = i;
            while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
            word = s.substr(start, i - start);
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace

EditorCommand EditorCommandOf(const std::string& setting, const std::string& file) {
    EditorCommand c;
    std::vector<std::string> words = Words(setting);
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

std::vector<std::string> CommandWords(const std::string& text) { return Words(text); }

bool OpenInEditor(Host& host, const std::string& setting, const std::string& file) {
    const EditorCommand c = EditorCommandOf(setting, file);
    if (c.program.empty()) return host.OpenWithViewer(file);
    return host.StartProgram(c.program, c.args);
}

}  // namespace morvex
