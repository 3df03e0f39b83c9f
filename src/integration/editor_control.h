// The NC program in an external editor: opening it at a line, moving the
// editor along with the line being read or cut, jumping to a line and
// closing it. Editors that are moved by commands are started through the
// Host and throttled (one command at a time, at most one per 100 ms, the
// latest line wins); editors driven by window messages are reached through
// the Host's window messages. With an editor module loaded, the module's
// entries do all of this (kind PlugIn): the program is still started, but the
// window is the module's answer and the caret moves through its calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "integration/editor_kinds.h"
#include "integration/follow_throttle.h"
#include "integration/plugins.h"

namespace morvex {

class Host;

// What the settings say about the editor of the NC program.
struct EditorSetup {
    std::string program = "notepad";
    std::string option = "%1";
    int macroNo = -1;
    std::string macroName = "MORVEXJUMP.MAC";
    // The name of the editor instance this process drives (Vim's server
    // name, Neovim's socket), unique per process.
    std::string server;
    // The editor module's entries when one is loaded (the kind is then
    // PlugIn); its window is asked for up to `findTries` times, `findStepMs`
    // apart, with the Host's events handled in between.
    const EditorEntries* plugin = nullptr;
    int findTries = 10;
    int findStepMs = 100;
};

// The editor opened on the NC program. The Host's end reports refer to the
// record, so a link in use is not moved.
struct EditorLink {
    bool open = false;  // an editor was started on `file`
    EditorKind kind = EditorKind::Other;
    std::string program;
    std::string file;
    std::string server;
    // Editors driven by window messages: the titles their window is found
    // by, whether it was found, and Hidemaru's macro command and file.
    std::vector<std::string> titles;
    bool windowFound = false;
    int macroCommand = 283;
    std::string macroFile;
    // The editor module: its entries and the window it found (0 none: the
    // caret is then not moved).
    const EditorEntries* plugin = nullptr;
    std::int64_t window = 0;
    // Editors moved by commands: the throttle, and whether following gave
    // up because a command could not be started.
    FollowThrottle throttle;
    bool followFailed = false;
    // Told after a command ended, so that a waiting line can go.
    std::function<void()> commandEnded;
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);  // the end reports check it
};

// Opens `file` in the editor at `line`; an editor open on the same file
// already is moved to the line instead. False when it could not be started.
bool OpenEditor(EditorLink& link, Host& host, const EditorSetup& setup, const std::string& file,
                int line, long long nowMs);

// The line being read or cut: the editor is moved along (commands through the
// throttle, window messages at once). Nothing without an open editor.
void FollowLine(EditorLink& link, Host& host, int line, long long nowMs);

// A run starts from the program's top: the editor module is told so (its
// top call) at once, and the lines read follow through the throttle. Other
// editors simply follow the lines read.
void FollowRunStart(EditorLink& link, long long nowMs);

// Moves the editor to `line` even when it showed that line last.
void JumpToLine(EditorLink& link, Host& host, int line, long long nowMs);

// Sends the line that waits in the throttle when it may go now. The caller
// calls this again at EditorFollowDueMs (a timer) and when commands end.
void PumpFollow(EditorLink& link, Host& host, long long nowMs);
long long EditorFollowDueMs(const EditorLink& link);  // -1 nothing waits

// Closes the editor where that can be done without losing the user's
// changes, and forgets it.
void CloseEditor(EditorLink& link, Host& host);

}  // namespace morvex
