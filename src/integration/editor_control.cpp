// Editor control: opening, following, jumping and closing.
//
// Implementation notes: an editor moved by commands gets one command per
// line change at most, and only through the throttle, because a run reads
// thousands of lines a second and each command is a process. The end of a
// command is reported by the Host from its event handling; the report holds
// a weak reference to the link's `alive` token so that a report arriving
// after the link was reset does nothing.
//
// An editor module is called in-process, so its calls end at once; its
// follow calls still go through the throttle, as a module may drive its
// editor by sending it something each time.
#include "integration/editor_control.h"

#include <chrono>
#include <thread>

#include "base/text.h"
#include "platform/host.h"

namespace morvex {
namespace {

void SendAll(Host& host, const EditorLink& link, const std::vector<WindowMessage>& messages) {
    for (const WindowMessage& m : messages)
        (void)host.SendWindowMessage(link.titles, m);
}

// Starts one command and marks it in flight until the Host reports its end.
void StartCommand(EditorLink& link, Host& host, const ProgramCall& call) {
    std::weak_ptr<bool> token = link.alive;
    EditorLink* target = &link;
    const bool started = host.StartProgramWatched(call.program, call.args, [token, target]() {
        if (token.expired()) return;
        CommandEnded(target->throttle);
        if (target->commandEnded) target->commandEnded();
    });
    if (!started) {
        // A follow program that cannot be started is not tried again for
        // every line: following stops until the editor is opened again.
        CommandEnded(link.throttle);
        link.followFailed = true;
    }
}

// The editor module's window for the file: asked again every step while it
// answers 0, a bounded number of times (the editor may take a moment to
// show its window).
void FindModuleWindow(EditorLink& link, const EditorSetup& setup) {
    if (link.plugin->findWindow == nullptr) return;
    for (int attempt = 1;; ++attempt) {
        std::int64_t window = 0;
        link.plugin->findWindow(link.file.c_str(), &window);
        if (window != 0) {
            link.window = window;
            return;
        }
        if (attempt >= setup.findTries) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(setup.findStepMs));
    }
}

// The module's caret call for a followed line: the top for line 1, else the
// line (told the file when the module takes it).
void ModuleFollow(const EditorLink& link, int line) {
    const EditorEntries& e = *link.plugin;
    if (line == 1 && e.top != nullptr) {
        e.top();
    } else if (e.down2 != nullptr) {
        e.down2(link.file.c_str(), line);
    } else if (e.down != nullptr) {
        e.down(line);
    }
}

bool ModuleReady(const EditorLink& link) {
    return link.open && link.kind == EditorKind::PlugIn && link.plugin != nullptr && link.window != 0;
}

}  // namespace

bool OpenEditor(EditorLink& link, Host& host, const EditorSetup& setup, const std::string& file,
                int line, long long nowMs) {
    const EditorKind kind = setup.plugin != nullptr ? EditorKind::PlugIn : EditorKindOf(setup.program);
    if (link.open && link.file == file && link.program == setup.program) {
        if (kind == EditorKind::PlugIn && ModuleReady(link) && link.plugin == setup.plugin) {
            JumpToLine(link, host, line, nowMs);
            return true;
        }
        // The editor shows this file already: move it rather than start another.
        if (FollowsByCommand(link.kind) && !link.followFailed) {
            JumpToLine(link, host, line, nowMs);
            return true;
        }
        if (link.windowFound && host.FindProgramWindow(link.titles)) {
            JumpToLine(link, host, line, nowMs);
            return true;
        }
    }
    // A new editor: reports of the old one's commands no longer count.
    std::function<void()> ended = link.commandEnded;
    link = EditorLink{};
    link.commandEnded = std::move(ended);
    link.kind = kind;
    link.program = setup.program;
    link.file = file;
    link.server = setup.server;
    link.plugin = setup.plugin;
    if (kind == EditorKind::Hidemaru) {
        link.macroCommand = MacroCommandId(setup.macroNo);
        link.macroFile = JumpMacroPath(setup.program, setup.macroName);
        (void)WriteJumpMacro(link.macroFile,
                             1);  // the editor may not have its folder: nothing is reported
    }
    ProgramCall call;
    if (FollowsByCommand(kind) && setup.option.size() == 2) {
        call = EditorOpenCall(kind, setup.program, file, line, setup.server);
    } else {
        const bool quoteToEnd = EndsWithProgramName(setup.program, "MIW");
        call.program = setup.program;
        call.args = CommandWords(
            EditorArgumentText(EditorTemplate(kind, setup.option), file, line, quoteToEnd));
    }
    if (kind == EditorKind::PlugIn) {
        // The module may show the file itself: an empty program starts nothing.
        if (!call.program.empty() && !host.StartProgram(call.program, call.args)) return false;
        link.open = true;
        FindModuleWindow(link, setup);
        return true;  // the caret moves when a run starts (the top) and follows its lines
    }
    if (call.program.empty() || !host.StartProgram(call.program, call.args)) return false;
    link.open = true;
    link.throttle.sent = line < 1 ? 1 : line;  // it opens there
    if (FollowsByWindow(kind)) {
        link.titles = EditorWindowTitles(kind, setup.program, file);
        link.windowFound = host.FindProgramWindow(link.titles);
    }
    return true;
}

void FollowLine(EditorLink& link, Host& host, int line, long long nowMs) {
    if (!link.open || line < 1) return;
    if (link.kind == EditorKind::PlugIn) {
        if (!ModuleReady(link)) return;
        WantLine(link.throttle, line);
        PumpFollow(link, host, nowMs);
        return;
    }
    if (FollowsByWindow(link.kind)) {
        if (link.windowFound) SendAll(host, link, FollowMessages(link.kind, line));
        return;
    }
    if (!FollowsByCommand(link.kind) || link.followFailed) return;
    WantLine(link.throttle, line);
    PumpFollow(link, host, nowMs);
}

void FollowRunStart(EditorLink& link, long long nowMs) {
    if (link.kind != EditorKind::PlugIn || !ModuleReady(link)) return;
    ModuleFollow(link, 1);
    // Counted as a follow call: the next line keeps the spacing after it.
    FollowThrottle& t = link.throttle;
    t.wanted = 0;
    t.sent = 1;
    t.everStarted = true;
    t.lastStartMs = nowMs;
}

void JumpToLine(EditorLink& link, Host& host, int line, long long nowMs) {
    if (!link.open) return;
    if (line < 1) line = 1;
    if (link.kind == EditorKind::PlugIn) {
        if (!ModuleReady(link)) return;
        if (link.plugin->jump2 != nullptr) {
            link.plugin->jump2(link.file.c_str(), line);
        } else if (link.plugin->jump != nullptr) {
            link.plugin->jump(line);
        }
        link.throttle.sent = line;  // following goes on from there
        return;
    }
    if (FollowsByWindow(link.kind)) {
        if (!link.windowFound) return;
        if (link.kind == EditorKind::Hidemaru) (void)WriteJumpMacro(link.macroFile, line);
        SendAll(host, link, JumpMessages(link.kind, line, link.macroCommand));
        return;
    }
    if (!FollowsByCommand(link.kind) || link.followFailed) return;
    WantLine(link.throttle, line, true);
    PumpFollow(link, host, nowMs);
}

void PumpFollow(EditorLink& link, Host& host, long long nowMs) {
    if (!link.open || link.followFailed) return;
    const int line = TakeLine(link.throttle, nowMs);
    if (line == 0) return;
    if (link.kind == EditorKind::PlugIn) {
        if (ModuleReady(link)) ModuleFollow(link, line);
        CommandEnded(link.throttle);  // the call has returned
        return;
    }
    StartCommand(link, host,
                 EditorFollowCall(link.kind, link.program, link.file, line, link.server));
}

long long EditorFollowDueMs(const EditorLink& link) {
    if (!link.open || link.followFailed) return -1;
    return NextSendMs(link.throttle);
}

void CloseEditor(EditorLink& link, Host& host) {
    if (link.open && link.kind == EditorKind::PlugIn) {
        // The module closes its editor, found or not.
        if (link.plugin != nullptr && link.plugin->exit != nullptr) link.plugin->exit();
    } else if (link.open) {
        if (FollowsByWindow(link.kind) && link.windowFound)
            SendAll(host, link, CloseMessages(link.kind));
        const ProgramCall close = EditorCloseCall(link.kind, link.program, link.server);
        if (!close.program.empty()) (void)host.StartProgram(close.program, close.args);
    }
    std::function<void()> ended = link.commandEnded;
    link = EditorLink{};
    link.commandEnded = std::move(ended);
}

}  // namespace morvex
