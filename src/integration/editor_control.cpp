// Editor control: opening, following, jumping and closing.
//
// Implementation notes: an editor moved by commands gets one command per
// line change at most, and only through the throttle, because a run reads
// thousands of lines a second and each command is a process. The end of a
// command is reported by the Host from its event handling; the report holds
// a weak reference to the link's `alive` token so that a report arriving
// after the link was reset does nothing.
#include "integration/editor_control.h"

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

}  // namespace

bool OpenEditor(EditorLink& link, Host& host, const EditorSetup& setup, const std::string& file,
                int line, long long nowMs) {
    // An editor plug-in, once plug-ins are loaded, replaces all of this
    // (kind PlugIn): none is loaded by this program yet.
    const EditorKind kind = EditorKindOf(setup.program);
    if (link.open && link.file == file && link.program == setup.program) {
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
    if (FollowsByWindow(link.kind)) {
        if (link.windowFound) SendAll(host, link, FollowMessages(link.kind, line));
        return;
    }
    if (!FollowsByCommand(link.kind) || link.followFailed) return;
    WantLine(link.throttle, line);
    PumpFollow(link, host, nowMs);
}

void JumpToLine(EditorLink& link, Host& host, int line, long long nowMs) {
    if (!link.open) return;
    if (line < 1) line = 1;
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
    StartCommand(link, host,
                 EditorFollowCall(link.kind, link.program, link.file, line, link.server));
}

long long EditorFollowDueMs(const EditorLink& link) {
    if (!link.open || link.followFailed) return -1;
    return NextSendMs(link.throttle);
}

void CloseEditor(EditorLink& link, Host& host) {
    if (link.open) {
        // The editor plug-in, when one is loaded, closes its editor instead (seam: no plug-ins
        // yet).
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
