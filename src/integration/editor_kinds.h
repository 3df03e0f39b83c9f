// The external editors the NC program can be shown in: recognition by the
// editor program's name, the arguments that open a file at a line, the
// commands that move an open editor to a line, and for the editors driven by
// window messages their window titles, messages and jump macro file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/host.h"

namespace morvex {

// The first four are driven by window messages or a macro file; the others
// take a line number on their command line and can be told by a second
// command to move an editor that is open already.
enum class EditorKind {
    Other = 0,     // started with the file, nothing more
    Hidemaru = 1,  // Hidemaru and Maruo
    TeraPad = 2,
    K2Editor = 3,
    Vim = 10,     // vim, gvim, vimx: --servername / --remote-send
    Neovim = 11,  // nvim: --listen / --server --remote-send
    Emacs = 12,   // emacs, emacsclient: emacsclient -n +N file
    VsCode = 13,  // code, codium, code-oss: --goto file:N
    Kate = 14,    // kate -u -l N file
    Geany = 15,   // geany --line N file
    Gedit = 16,   // gedit +N file
    PlugIn = 99,  // the editor plug-in drives the editor
};

// A program and its arguments, started without a shell.
struct ProgramCall {
    std::string program;
    std::vector<std::string> args;
};

// Whether `program` ends in `name`, letter case ignored, with or without a
// four-character extension such as ".exe" after it.
bool EndsWithProgramName(std::string_view program, std::string_view name);

EditorKind EditorKindOf(std::string_view program);
// Editors that can be moved to a line by starting a second command.
bool FollowsByCommand(EditorKind kind);
// Editors driven by messages to their window.
bool FollowsByWindow(EditorKind kind);

// The argument text of the template: "%1" the file (in double quotes when
// it holds a blank; with `quoteToEnd` the closing quote goes at the very end
// of the whole text instead), "%2" the line (its absolute value, at least 1),
// every other character copied.
std::string EditorArgumentText(std::string_view templ, const std::string& file, int line,
                               bool quoteToEnd);

// The template the editor is opened with: an option of two characters (the
// plain "%1") gives way to the editor's own form where it has one.
std::string EditorTemplate(EditorKind kind, const std::string& option);

// Hidemaru's macro command number for the macro number of the settings
// (-1, 0..80); a number outside those ranges counts as -1.
int MacroCommandId(int macroNo);
// Where the jump macro goes: the macro name itself when it holds a folder,
// otherwise next to the Hidemaru or Maruo program.
std::string JumpMacroPath(const std::string& program, const std::string& macroName);
std::string JumpMacroText(int line);
[[nodiscard]] bool WriteJumpMacro(const std::string& path, int line);

// The titles by which the editor's window is looked for, in order.
std::vector<std::string> EditorWindowTitles(EditorKind kind, std::string_view program,
                                            const std::string& file);

// The window messages that move the editor to the line while a program is
// followed (the next line), that jump to a line, and that close the editor.
std::vector<WindowMessage> FollowMessages(EditorKind kind, int line);
std::vector<WindowMessage> JumpMessages(EditorKind kind, int line, int macroCommand);
std::vector<WindowMessage> CloseMessages(EditorKind kind);

// The editors moved by commands: how the editor is opened on the file at the
// line (`server` names the editor instance for those that need one), the
// command that moves the open editor to a line, and the one that closes it
// (none when the editor has no safe way to be closed from outside).
ProgramCall EditorOpenCall(EditorKind kind, const std::string& program, const std::string& file,
                           int line, const std::string& server);
ProgramCall EditorFollowCall(EditorKind kind, const std::string& program, const std::string& file,
                             int line, const std::string& server);
ProgramCall EditorCloseCall(EditorKind kind, const std::string& program, const std::string& server);

}  // namespace morvex
