// Reading the message file.
//
// Implementation notes: lines are read 79 characters at a time (a longer line
// continues as the next one). Lines starting with "#" or a line end are
// comments. A menu text is the next line that starts with "[" (the text up to
// its last character, which is the closing bracket), with two blanks or with
// one blank; any other line is passed over while a text is sought.
#include "frame/message_file.h"

#include <optional>

#include "base/paths.h"
#include "base/text.h"
#include "nc/definition_reader.h"

namespace morvex {
namespace {

constexpr std::size_t kMessageLineChars = 79;

struct TextSource {
    DefinitionLineReader reader;

    // Next non-comment line without its line end, or nullopt at the end.
    std::optional<std::string> NextLine() {
        std::string line;
        while (ReadDefinitionLine(reader, line, kMessageLineChars)) {
            if (line[0] == '#' || line[0] == '\r' || line[0] == '\n') continue;
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            return line;
        }
        return std::nullopt;
    }

    std::optional<std::string> NextMenuText() {
        while (auto line = NextLine()) {
            if ((*line)[0] == '[') return line->size() >= 2 ? line->substr(1, line->size() - 2) : "";
            if (StartsWithNoCase(*line, "  ")) return line->substr(2);
            if ((*line)[0] == ' ') return line->substr(1);
        }
        return std::nullopt;
    }
};

void ReplaceTexts(TextSource& source, std::vector<MenuItem>& items) {
    for (MenuItem& item : items) {
        if (item.kind == MenuItemKind::Separator) continue;
        if (item.ownText) {
            item.text = OwnItemEnglishText(item.id);
            continue;
        }
        if (auto text = source.NextMenuText()) item.text = *text;
        if (item.kind == MenuItemKind::Submenu) ReplaceTexts(source, item.items);
    }
}

}  // namespace

std::string FindMessageFile(const std::string& startDir, const std::string& programDir) {
    const std::string inStart = JoinPath(startDir, kMessageFileName);
    if (CanOpenForReading(inStart)) return inStart;
    const std::string inProgram = JoinPath(programDir, kMessageFileName);
    if (!programDir.empty() && CanOpenForReading(inProgram)) return inProgram;
    return {};
}

bool ApplyMessageFile(const std::string& path, MenuBarDef& menu, PanelCaptions& panel) {
    TextSource source;
    if (!OpenDefinitionFile(path, source.reader)) return false;
    for (MenuPopup& popup : menu) {
        if (auto title = source.NextMenuText()) popup.title = *title;
        ReplaceTexts(source, popup.items);
    }
    for (std::string& caption : panel.text) {
        const auto line = source.NextLine();
        if (!line) break;
        caption = TruncateBytes(*line, kPanelCaptionBytes);
        panel.fromMessageFile = true;
    }
    return true;
}

}  // namespace morvex
