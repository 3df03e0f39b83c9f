// The window's editor follower.
#include "frame/gui/editor_follow.h"

#include <QTimer>
#include <algorithm>
#include <chrono>

#include "frame/app.h"
#include "frame/editor_command.h"
#include "integration/editor_control.h"

namespace morvex {

long long EditorNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

EditorFollow::EditorFollow(App& app, Host& host, QObject* parent)
    : QObject(parent), app_(app), host_(host) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this]() { Pump(); });
    // A command's end (reported from the event handling, also during a run)
    // lets the waiting line go.
    app_.editor.commandEnded = [this]() { Pump(); };
}

EditorFollow::~EditorFollow() {
    app_.editor.commandEnded = nullptr;
}

bool EditorFollow::Open(int line) {
    if (app_.launch.ncProgram.empty()) return false;
    const bool opened = OpenEditor(app_.editor, host_, NcEditorSetup(app_.settings.editor, &app_.plugins),
                                   app_.launch.ncProgram, line, EditorNowMs());
    Schedule();
    return opened;
}

void EditorFollow::ProgramSelected() {
    if (app_.settings.editor.selectOpen) (void)Open(1);
}

void EditorFollow::Follow(int line) {
    FollowLine(app_.editor, host_, line, EditorNowMs());
    Schedule();
}

void EditorFollow::RunStarts() {
    FollowRunStart(app_.editor, EditorNowMs());
    Schedule();
}

void EditorFollow::Pump() {
    PumpFollow(app_.editor, host_, EditorNowMs());
    Schedule();
}

void EditorFollow::Schedule() {
    const long long due = EditorFollowDueMs(app_.editor);
    if (due < 0) return;
    const long long wait = std::clamp(due - EditorNowMs(), 0LL, kFollowSpacingMs);
    if (!timer_->isActive() || timer_->remainingTime() > wait)
        timer_->start(static_cast<int>(wait));
}

}  // namespace morvex
