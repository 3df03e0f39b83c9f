// The one door from the core to the user and the desktop: message boxes, key
// state during a run, the message pump of long loops, redraw requests,
// sounds, and opening files or programs. The desktop host shows windows; the
// unattended host writes to the batch log and stderr and never has keys down.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"

namespace morvex {

enum class MessageButtons { Ok, YesNo };
enum class MessageKind { Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
    std::string text;
    std::string caption = std::string(kMessageCaption);
    MessageButtons buttons = MessageButtons::Ok;
    MessageKind kind = MessageKind::Information;
    bool topMost = false;
};

// A message to another program's window: a numbered message, or one
// registered by name (`registered` not empty), with its two parameters.
struct WindowMessage {
    int message = 0;
    std::string registered;
    long long wParam = 0;
    long long lParam = 0;
};

class Host {
public:
    virtual ~Host() = default;

    virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
    // Whether the key with this virtual-key code (27 Esc, 17 Ctrl, ...) is down now.
    virtual bool IsKeyDown(int virtualKey) = 0;
    // Handles pending window-system events so that the window stays alive.
    virtual void PumpMessages() = 0;
    virtual void RequestRedraw() = 0;
    // Plays a loaded sound slot once; silent when there is no sound or no backend.
    virtual void PlaySound(int slot) = 0;
    // Plays a slot over and over until the next call; a negative slot stops
    // the loop. Never blocks the caller.
    virtual void LoopSound(int /*slot*/) {}
    // Opens a file with the system's viewer for its type.
    virtual bool OpenWithViewer(const std::string& path) = 0;
    virtual bool StartProgram(const std::string& program, const std::vector<std::string>& args) = 0;
    // Starts a program whose end matters: `ended` is called once, from the
    // event handling of the caller's thread, when it has ended or was given
    // up on (killed after a time limit). False, and no call, when it could
    // not be started. A host that cannot watch its programs reports the end
    // at once.
    virtual bool StartProgramWatched(const std::string& program, const std::vector<std::string>& args,
                                     std::function<void()> ended) {
        if (!StartProgram(program, args)) return false;
        if (ended) ended();
        return true;
    }
    // Programs driven by window messages: whether a top-level window with one
    // of these titles exists, and sending a message to it. This desktop has
    // no such windows, so by default none is found and nothing is sent.
    virtual bool FindProgramWindow(const std::vector<std::string>& /*titles*/) { return false; }
    virtual bool SendWindowMessage(const std::vector<std::string>& /*titles*/, const WindowMessage& /*message*/) {
        return false;
    }
    virtual bool IsUnattended() const = 0;
    // The status area's text (the NC line being cut, "Cutting"); nothing
    // where there is no status area.
    virtual void ShowStatus(const std::string& /*text*/) {}
    // Where messages that go to the batch log go (Target_LOGdir) and the
    // NC program they name, once the settings are read; nothing for a
    // host that shows its messages.
    virtual void UseBatchLog(const std::string& /*logDir*/, const std::string& /*ncName*/) {}
};

// The usual case: an information box with the program's caption.
inline MessageAnswer ShowText(Host& host, std::string_view text) {
    MessageRequest request;
    request.text = std::string(text);
    return host.ShowMessage(request);
}

// A failure (a file not read or not written) and a refusal (a command that
// cannot run now, a value that cannot be used): the box carries the error or
// the warning icon instead of the information one.
inline MessageAnswer ShowError(Host& host, std::string_view text) {
    MessageRequest request;
    request.text = std::string(text);
    request.kind = MessageKind::Error;
    return host.ShowMessage(request);
}
inline MessageAnswer ShowWarning(Host& host, std::string_view text) {
    MessageRequest request;
    request.text = std::string(text);
    request.kind = MessageKind::Warning;
    return host.ShowMessage(request);
}

}  // namespace morvex
