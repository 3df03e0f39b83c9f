// Editor recognition, argument building, window titles and messages, and the
// jump macro file.
#include "integration/editor_kinds.h"

#include <cstdlib>
#include <fstream>

#include "base/text.h"

namespace morvex {
namespace {

constexpr int kWmCommand = 0x0111;
constexpr int kWmKeyUp = 0x0101;
constexpr int kVkDown = 0x28;
constexpr int kTeraPadJump = 0x0400 + 100;  // WM_USER + 100
constexpr const char* kK2Jump = "K2EDITOR LINEJUMP";
constexpr const char* kDefaultMacro = "MORVEXJUMP.MAC";

// The program's file name: what follows its last "/" or "\".
std::string_view BaseName(std::string_view program) {
    const std::size_t slash = program.find_last_of("/\\");
    return slash == std::string_view::npos ? program : program.substr(slash + 1);
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (std::string_view n : names) {
        if (EqualsNoCase(name, n)) return true;
    }
    return false;
}

// The length of the ending `name` (with its extension) at the end of
// `program`, 0 when it does not end so.
std::size_t EndingLength(std::string_view program, std::string_view name) {
    if (EndsWithNoCase(program, name)) return name.size();
    if (program.size() > 4 && program[program.size() - 4] == '.' &&
        EndsWithNoCase(program.substr(0, program.size() - 4), name)) {
        return name.size() + 4;
    }
    return 0;
}

std::string LineText(int line) {
    return std::to_string(line < 1 ? 1 : line);
}

// Vim's keys for "go to line N" from any mode.
std::string VimGoto(int line) {
    return "<C-\\><C-N>:" + LineText(line) + "<CR>";
}

// The emacsclient next to an emacs program (the same folder).
std::string EmacsClient(const std::string& program) {
    if (EqualsNoCase(BaseName(program), "emacs")) return program + "client";
    return program;
}

}  // namespace

bool EndsWithProgramName(std::string_view program, std::string_view name) {
    return EndingLength(program, name) != 0;
}

EditorKind EditorKindOf(std::string_view program) {
    if (EndsWithProgramName(program, "maruo") || EndsWithProgramName(program, "hidemaru"))
        return EditorKind::Hidemaru;
    if (EndsWithProgramName(program, "terapad")) return EditorKind::TeraPad;
    if (EndsWithProgramName(program, "K2editor")) return EditorKind::K2Editor;
    const std::string_view name = BaseName(program);
    if (IsOneOf(name, {"vim", "gvim", "vimx"})) return EditorKind::Vim;
    if (IsOneOf(name, {"nvim"})) return EditorKind::Neovim;
    if (IsOneOf(name, {"emacs", "emacsclient"})) return EditorKind::Emacs;
    if (IsOneOf(name, {"code", "codium", "code-oss"})) return EditorKind::VsCode;
    if (IsOneOf(name, {"kate"})) return EditorKind::Kate;
    if (IsOneOf(name, {"geany"})) return EditorKind::Geany;
    if (IsOneOf(name, {"gedit"})) return EditorKind::Gedit;
    return EditorKind::Other;
}

bool FollowsByCommand(EditorKind kind) {
    switch (kind) {
        case EditorKind::Vim:
        case EditorKind::Neovim:
        case EditorKind::Emacs:
        case EditorKind::VsCode:
        case EditorKind::Kate:
        case EditorKind::Geany:
        case EditorKind::Gedit:
            return true;
        default:
            return false;
    }
}

bool FollowsByWindow(EditorKind kind) {
    return kind == EditorKind::Hidemaru || kind == EditorKind::TeraPad ||
           kind == EditorKind::K2Editor;
}

std::string EditorArgumentText(std::string_view templ, const std::string& file, int line,
                               bool quoteToEnd) {
    const bool quote = file.find(' ') != std::string::npos;
    bool quoteOpen = false;
    std::string out;
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == '%' && i + 1 < templ.size() &&
            (templ[i + 1] == '1' || templ[i + 1] == '2')) {
            if (templ[i + 1] == '1') {
                if (quote) out += '"';
                out += file;
                if (quote && quoteToEnd)
                    quoteOpen = true;
                else if (quote)
                    out += '"';
            } else {
                out += LineText(std::abs(line));
            }
            ++i;
            continue;
        }
        out += templ[i];
    }
    if (quoteOpen) out += '"';
    return out;
}

std::string EditorTemplate(EditorKind kind, const std::string& option) {
    if (option.size() != 2) return option;
    switch (kind) {
        case EditorKind::Hidemaru:
        case EditorKind::K2Editor:
            return "/j%2 %1";
        case EditorKind::TeraPad:
            return "/j=%2 %1";
        default:
            return option;
    }
}

int MacroCommandId(int n) {
    if (n >= 0 && n < 16) return n + 145;
    if (n >= 16 && n < 31) return n + 189;
    if (n >= 31 && n < 81) return n + 203;
    return 283;
}

std::string JumpMacroPath(const std::string& program, const std::string& macroName) {
    if (macroName.find_first_of("\\/") != std::string::npos) return macroName;
    for (std::string_view ending : {"hidemaru", "maruo"}) {
        const std::size_t n = EndingLength(program, ending);
        if (n != 0) return program.substr(0, program.size() - n) + macroName;
    }
    return kDefaultMacro;
}

std::string JumpMacroText(int line) {
    return Format("moveto 0,%d;\n", (line < 1 ? 1 : line) - 1);
}

bool WriteJumpMacro(const std::string& path, int line) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << JumpMacroText(line);
    out.close();
    return !out.fail();
}

std::vector<std::string> EditorWindowTitles(EditorKind kind, std::string_view program,
                                            const std::string& file) {
    const std::string name(BaseName(file));
    switch (kind) {
        case EditorKind::Hidemaru:
            if (EndsWithProgramName(program, "maruo")) return {file + " - Maruo", "Maruo"};
            return {file + " - 秀丸", "秀丸エディタ"};
        case EditorKind::TeraPad:
            return {name + " - TeraPad", name + " * - TeraPad"};
        case EditorKind::K2Editor: {
            std::vector<std::string> titles = {"[" + name + "] - K2Editor", file + " - K2Editor",
                                               name + " - K2Editor"};
            for (std::size_t i = 0; i < 3; ++i)
                titles.push_back("[変更]" + titles[i]);
            return titles;
        }
        default:
            return {};
    }
}

std::vector<WindowMessage> FollowMessages(EditorKind kind, int line) {
    const bool first = line <= 1;
    switch (kind) {
        case EditorKind::Hidemaru:
            if (first) return {WindowMessage{kWmCommand, "", 23, 0}};
            return {WindowMessage{kWmCommand, "", 15, 0}, WindowMessage{kWmKeyUp, "", kVkDown, 0}};
        case EditorKind::TeraPad:
            return {WindowMessage{kTeraPadJump, "", first ? 1 : line, 0}};
        case EditorKind::K2Editor:
            return {WindowMessage{0, kK2Jump, 1, first ? 1 : line}};
        default:
            return {};
    }
}

std::vector<WindowMessage> JumpMessages(EditorKind kind, int line, int macroCommand) {
    switch (kind) {
        case EditorKind::Hidemaru:
            return {WindowMessage{kWmCommand, "", macroCommand, 0}};
        case EditorKind::TeraPad:
            return {WindowMessage{kTeraPadJump, "", line, 0}};
        case EditorKind::K2Editor:
            return {WindowMessage{0, kK2Jump, 1, line}};
        default:
            return {};
    }
}

std::vector<WindowMessage> CloseMessages(EditorKind kind) {
    switch (kind) {
        case EditorKind::Hidemaru:
            return {WindowMessage{kWmCommand, "", 10, 0}};
        case EditorKind::TeraPad:
            return {WindowMessage{kWmCommand, "", 42, 0}};
        case EditorKind::K2Editor:
            return {WindowMessage{kWmCommand, "", 17, 0}};
        default:
            return {};
    }
}

ProgramCall EditorOpenCall(EditorKind kind, const std::string& program, const std::string& file,
                           int line, const std::string& server) {
    const std::string n = LineText(line);
    switch (kind) {
        case EditorKind::Vim:
            return {program, {"--servername", server, "+" + n, file}};
        case EditorKind::Neovim:
            return {program, {"--listen", server, "+" + n, file}};
        case EditorKind::Emacs:
            // emacsclient starts a server when none runs; a plain emacs starts one itself.
            if (EqualsNoCase(BaseName(program), "emacsclient"))
                return {program, {"-c", "-n", "-a", "", "+" + n, file}};
            return {
                program,
                {"--eval", "(progn (require 'server) (unless (server-running-p) (server-start)))",
                 "+" + n, file}};
        default:
            return EditorFollowCall(kind, program, file, line, server);
    }
}

ProgramCall EditorFollowCall(EditorKind kind, const std::string& program, const std::string& file,
                             int line, const std::string& server) {
    const std::string n = LineText(line);
    switch (kind) {
        case EditorKind::Vim:
            return {program, {"--servername", server, "--remote-send", VimGoto(line)}};
        case EditorKind::Neovim:
            return {program, {"--server", server, "--remote-send", VimGoto(line)}};
        case EditorKind::Emacs:
            return {EmacsClient(program), {"-n", "+" + n, file}};
        case EditorKind::VsCode:
            return {program, {"--goto", file + ":" + n}};
        case EditorKind::Kate:
            return {program, {"-u", "-l", n, file}};
        case EditorKind::Geany:
            return {program, {"--line", n, file}};
        case EditorKind::Gedit:
            return {program, {"+" + n, file}};
        default:
            return {};
    }
}

ProgramCall EditorCloseCall(EditorKind kind, const std::string& program,
                            const std::string& server) {
    // ":qa" refuses while a buffer has unsaved changes: nothing the user typed is lost.
    switch (kind) {
        case EditorKind::Vim:
            return {program, {"--servername", server, "--remote-send", "<C-\\><C-N>:qa<CR>"}};
        case EditorKind::Neovim:
            return {program, {"--server", server, "--remote-send", "<C-\\><C-N>:qa<CR>"}};
        default:
            return {};
    }
}

}  // namespace morvex
