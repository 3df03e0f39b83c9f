// The automatic run in the window.
#include "frame/gui/auto_run_window.h"

#include <memory>

#include "base/messages.h"
#include "frame/auto_run.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/work_commands.h"
#include "platform/host.h"
#include "resources/command_ids.h"

namespace morvex {

void TellMissingProgram(App& app, Host& host) {
    if (!app.launch.tellNcMissing) return;
    app.launch.tellNcMissing = false;
    ShowError(host, Msg(MsgId::NcDataNotExist));
}

bool StartAutoRun(App& app, Host& host, MainWindow& window, bool workReady) {
    LaunchOptions& launch = app.launch;
    const AutoRunPlan plan = AutoRunPlanOf(launch.autoRunMode, launch.autoVariant);
    if (plan.runMode == 0 || !plan.window) return false;
    launch.autoRunMode = 0;  // once
    if (plan.badLetter != 0) {
        ShowText(host, std::string(Msg(MsgId::AutoRunVariantUnknown)) + plan.badLetter);
        return false;
    }
    // Without its work or its program there is nothing to cut (the reason
    // was told when they were looked for).
    if (!workReady || !launch.ncProgramOpened) return false;
    const bool writable = OutputFormatWritable(app.plugins, launch.outputFormat);
    if (!launch.outputWork.empty() && !writable) {
        ShowText(host, std::string(Msg(MsgId::OutputFormatNotAvailable)) + launch.outputWork);
        return false;
    }
    if (plan.nonStop) window.OnCommand(cmd::kStopModeFirst + 0);
    Desk& desk = window.Work();
    // The outputs once, when this run ends; a pause waits for the user.
    auto pending = std::make_shared<bool>(true);
    desk.runEnded = [&app, &host, pending]() {
        if (!*pending) return;
        *pending = false;
        (void)WriteRunOutputs(app, host);
    };
    window.RunProgram(plan.runMode, plan.fast, plan.optimize);
    const bool started = desk.Run() != nullptr;
    if (!started) *pending = false;
    return started;
}

}  // namespace morvex
