// The window's side of the external editor: opening the NC program in it
// (E, the menu command, SELECT OPEN) and moving it along with the line a run
// reads, through the editor link of the App. A timer sends the line that
// waits in the link's throttle once it may go.
#pragma once

#include <QObject>
#include <string>

class QTimer;

namespace morvex {

struct App;
class Host;

class EditorFollow final : public QObject {
public:
    EditorFollow(App& app, Host& host, QObject* parent);
    ~EditorFollow() override;

    // Opens the NC program at `line`; false when the editor could not be started.
    bool Open(int line);
    // A new NC program was selected: opened when SELECT OPEN says so.
    void ProgramSelected();
    // The line a run reads now.
    void Follow(int line);
    // A run starts from the program's top.
    void RunStarts();

private:
    void Pump();
    void Schedule();  // the timer for the line that waits, if any

    App& app_;
    Host& host_;
    QTimer* timer_ = nullptr;
};

// Milliseconds of a steady clock, the editor link's time.
long long EditorNowMs();

}  // namespace morvex
