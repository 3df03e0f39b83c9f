// The unattended cutting run.
//
// Implementation notes: nobody can answer a pause, so a run without a user
// goes on after each pause (its interference-list entry is written) and
// takes no stop mode; a wait M-code still waits, polling every 100 ms, for
// the outside program to delete its wait file.
#include "frame/unattended_cut.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/auto_run.h"
#include "frame/optimize_run.h"
#include "frame/report_command.h"
#include "frame/run_command.h"
#include "frame/work_commands.h"
#include "nc/nc_alarms.h"
#include "platform/batch_log.h"
#include "platform/host.h"
#include "workio/dmf_file.h"

namespace morvex {
namespace {

constexpr std::chrono::milliseconds kWaitPoll{100};

int Fail(Host& host, std::string_view text, const std::string& detail = {}) {
    ShowError(host, std::string(text) + detail);
    return 2;
}

// "\rline N  M motions" on a terminal.
void ShowProgress(const CuttingRun& run) {
    std::fprintf(stderr, "\rmorvex: line %d, %lld motions", run.interp.reader.programLine, run.motions);
    std::fflush(stderr);
}

}  // namespace

int RunUnattendedCut(App& app, Host& host) {
    LaunchOptions& launch = app.launch;
    if (!launch.ncProgramOpened) {
        AppendBatchLog(app.settings.output.logDir, FileTitle(launch.ncProgram),
                       launch.ncProgram + std::string(Msg(MsgId::NcDataMissing)));
        std::fprintf(stderr, "morvex: %s%s", launch.ncProgram.c_str(), std::string(Msg(MsgId::NcDataMissing)).c_str());
        return 2;
    }
    if (app.controller.readStatus != 1) {
        return Fail(host, Msg(MsgId::CtlNotFound), " " + app.settings.table.controllerTable);
    }
    // A run without its tools or holders would check nothing and say so
    // nowhere: both files are needed.
    if (app.tools.status != 1) return Fail(host, Msg(MsgId::TtlNotFound), " " + app.settings.table.toolTable);
    if (app.tools.arborStatus == -1) return Fail(host, Msg(MsgId::AtlNotFound), " " + app.tools.arborFile);
    const bool writable = OutputFormatWritable(app.plugins, launch.outputFormat);
    if (!launch.outputWork.empty() && !writable) {
        return Fail(host, Msg(MsgId::OutputFormatNotAvailable), launch.outputWork);
    }
    const AutoRunPlan plan = AutoRunPlanOf(launch.autoRunMode, launch.autoVariant);
    if (plan.badLetter != 0) return Fail(host, Msg(MsgId::AutoRunVariantUnknown), std::string(1, plan.badLetter));
    const bool optimize = launch.optimize || plan.optimize;
    if (const int status = PrepareLaunchWork(app, host); status != 0) return status;

    CuttingRun run;
    OptimizeSession optimized;
    bool outputsReady = true;
    auto adjust = [&](RunSetup& setup) {
        if (optimize) outputsReady = PrepareOptimizedRun(app, host, optimized, setup, app.work);
    };
    if (!StartRunFromApp(app, host, run, plan.runMode, plan.fast, true, adjust)) {
        if (optimized.open) (void)CloseOptimisedOutputs(optimized.out, true);
        return outputsReady ? Fail(host, Msg(MsgId::NcProgramNotOpened), launch.ncProgram) : 2;
    }
    // Optimised outputs that cannot be created (told) are left out: the
    // cut, its work file and its report are still made, status 2.
    const bool progress = isatty(STDERR_FILENO) != 0;
    if (progress) run.setup.progress = ShowProgress;
    while (true) {
        const RunState state = RunLoop(run, app.work, app.controller, app.tools, host);
        if (state == RunState::Paused) {
            ResumeRun(run);
        } else if (state == RunState::Waiting) {
            ShowText(host, std::string(Msg(MsgId::WaitingForFile)) + run.waitFile);
            while (!WaitEnded(run)) std::this_thread::sleep_for(kWaitPoll);
        } else {
            break;
        }
    }
    EndRun(run, host);
    if (progress) {
        ShowProgress(run);
        std::fputc('\n', stderr);
    }
    int status = run.state == RunState::Finished ? 0 : 1;
    // The optimised outputs are put in place while the work file is
    // written; first, as the work file may replace one of them, where both
    // name one file or a report (its name may be any) is written too.
    const bool meanwhile = optimize && launch.reportMode == 0 && !SameFile(launch.outputWork, optimized.ncPath) &&
                           !SameFile(launch.outputWork, optimized.dataPath);
    // An output that cannot be written makes the status 2, after an alarm
    // too (as the work file and the report do).
    bool outputsWritten = outputsReady;
    if (meanwhile) {
        BeginClosingOptimizedRun(optimized, run);
    } else if (optimize && !FinishOptimizedRun(app, host, optimized, run, false)) {
        outputsWritten = false;
    }
    const int written = WriteRunOutputs(app, host, run.alarmCode, run.alarmLine);
    if (meanwhile && !FinishOptimizedRun(app, host, optimized, run, false)) outputsWritten = false;
    if (written != 0 || !outputsWritten) status = 2;
    return status;
}

}  // namespace morvex
