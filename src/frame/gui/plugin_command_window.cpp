// Plug-in commands from the window.
#include "frame/gui/plugin_command_window.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <fstream>

#include "base/messages.h"
#include "base/text.h"
#include "frame/gui/desk.h"
#include "frame/plugin_commands.h"
#include "frame/plugin_menu.h"
#include "frame/run_status.h"
#include "platform/host.h"

namespace morvex {
namespace {

// The wait cursor for the length of a command.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Lines of the program, for the progress bar.
int CountLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    long long lines = 0;
    std::string text;
    while (lines < 2'000'000'000 && std::getline(in, text)) ++lines;
    return static_cast<int>(lines);
}

void Simulate(int index, App& app, Desk& desk, Host& host) {
    if (desk.state.runActive) return;
    const int lines = CountLines(app.launch.ncProgram);
    SimulationHooks hooks;
    hooks.adjust = [&desk, &host, lines](RunSetup& s) {
        s.progress = [&desk, &host, lines](const CuttingRun& run) {
            host.ShowStatus(RunStatusText(run, 0.0, IsEnglish()));
            if (desk.progress) desk.progress(run.interp.reader.programLine, lines);
        };
    };
    // While the module holds the work, the window treats it as a running
    // program: menu locked, keys and mouse left to the run.
    hooks.started = [&desk]() {
        desk.state.runActive = true;
        desk.moduleRunning = true;
        if (desk.runStarted) desk.runStarted();
    };
    hooks.ended = [&desk]() {
        desk.state.runActive = false;
        desk.moduleRunning = false;
    };
    PluginCommandResult result;
    {
        const WaitCursor wait;
        result = RunSimulationCommand(app, host, index, hooks);
    }
    if (desk.progress) desk.progress(0, 0);
    if (result.end == PluginCommandEnd::Done || result.end == PluginCommandEnd::Stopped) {
        host.ShowStatus("");
        desk.Redraw();
        if (desk.retitle) desk.retitle();
    }
}

void Modify(int index, App& app, Desk& desk, Host& host) {
    if (desk.state.runActive) return;
    PluginCommandResult result;
    {
        const WaitCursor wait;
        result = RunModifierCommand(app, host, index);
    }
    if (result.end != PluginCommandEnd::NoModule && result.end != PluginCommandEnd::NoWork) {
        desk.Redraw();
        if (desk.retitle) desk.retitle();
    }
}

}  // namespace

bool RunPluginCommand(int id, App& app, Desk& desk, Host& host) {
    if (const int i = SimCommandIndex(id); i >= 0) {
        Simulate(i, app, desk, host);
        return true;
    }
    if (const int i = ModCommandIndex(id); i >= 0) {
        Modify(i, app, desk, host);
        return true;
    }
    if (id == cmd::kNcComToggle) {
        if (desk.state.runActive) return true;
        ToggleNcCom(app, host);
        return true;
    }
    return false;
}

}  // namespace morvex
