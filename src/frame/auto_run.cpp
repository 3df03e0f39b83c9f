// Automatic runs.
#include "frame/auto_run.h"

#include <cstdio>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/report_command.h"
#include "frame/work_commands.h"
#include "platform/batch_log.h"
#include "platform/host.h"
#include "sim/run_control.h"

namespace morvex {

AutoRunPlan AutoRunPlanOf(int autoRunMode, std::string_view variant) {
    struct ModeRun {
        int runMode;
        bool fast;
        bool window;
    };
    static constexpr ModeRun kModes[] = {
        {kRunReal, false, true},   {kRunSkip, false, true},  {kRunResult, false, true},
        {kRunSkip, true, true},    {kRunResult, true, true}, {kRunResult, false, false},
        {kRunResult, true, false},
    };
    AutoRunPlan plan;
    if (autoRunMode < 1 || autoRunMode > 7) return plan;
    const ModeRun& m = kModes[autoRunMode - 1];
    plan.runMode = m.runMode;
    plan.fast = m.fast;
    plan.window = m.window;
    for (const char c : variant) {
        if (c == 'O' || c == 'o') {
            plan.optimize = true;
        } else if (c == 'N' || c == 'n') {
            plan.nonStop = true;
        } else if (c != ' ' && c != ',' && plan.badLetter == 0) {
            plan.badLetter = c;
        }
    }
    return plan;
}

int WriteRunOutputs(App& app, Host& host, int runAlarm, int runAlarmLine) {
    const LaunchOptions& launch = app.launch;
    int status = 0;
    if (!launch.outputWork.empty()) {
        if (SaveWork(app, launch.outputWork, launch.outputFormat) != kFileSaved) {
            ShowError(host, std::string(Msg(MsgId::OutputNotWritten)) + launch.outputWork);
            status = 2;
        }
    }
    // The report of /V and /V5: the program's data check, with its NC error
    // (logged in the unattended modes) unless the run ended at it.
    if (launch.reportMode != 0 &&
        WriteProgramReport(app, host, launch.autoRunMode >= 4, runAlarm, runAlarmLine) == 2) {
        status = 2;
    }
    return status;
}

void ReportMissingNcProgram(App& app, int autoRunMode) {
    LaunchOptions& launch = app.launch;
    if (autoRunMode >= 5) {
        const std::string line = launch.ncProgram + std::string(Msg(MsgId::NcDataNotExistLog));
        AppendBatchLog(app.settings.output.logDir, FileTitle(launch.ncProgram), line);
        std::fprintf(stderr, "morvex: %s", line.c_str());
        launch.endAtStart = true;
    } else {
        launch.tellNcMissing = true;
    }
    launch.autoRunMode = 0;
}

}  // namespace morvex
