// The morvex program: one program for the desktop and for unattended runs.
// The command-line jobs run here without Qt; the window, and the pictures
// an unattended run draws, come from the desktop module, loaded from the
// program's own directory when needed.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "frame/app.h"
#include "frame/check_command.h"
#include "frame/desktop_module.h"
#include "frame/motion_listing.h"
#include "frame/report_command.h"
#include "frame/startup.h"
#include "frame/unattended_cut.h"
#include "frame/unattended_operation.h"
#include "frame/work_commands.h"
#include "platform/unattended_host.h"
#include "workio/replaced_file.h"

namespace {

// The desktop module, loaded at the first call; null with the message
// told (through host, or on stderr without one) when it cannot be.
const morvex::DesktopModule* Desktop(morvex::Host* host) {
    static morvex::DesktopModule module;
    static bool loaded = false;
    if (loaded) return &module;
    std::string error;
    if (morvex::LoadDesktopModule(morvex::ExecutableDirectory(), module, error)) {
        loaded = true;
        return &module;
    }
    if (host != nullptr) {
        morvex::ShowError(*host, error);
    } else {
        std::fprintf(stderr, "morvex: %s\n", error.c_str());
    }
    return nullptr;
}

int RunUnattended(morvex::App& app) {
    morvex::UnattendedHost host;
    morvex::ContinueStartUp(app, host);  // which also points the host at the batch log
    int status = 2;
    // /X1 .. /X5 with a picture asked for need no window either: cut as they
    // would in it, then draw the picture.
    const int mode = app.launch.autoRunMode;
    const bool cut = mode == 6 || mode == 7 ||
                     (mode >= 1 && mode <= 5 && !app.launch.imageFile.empty() && app.launch.reportMode != 6);
    if (cut) {
        status = morvex::RunUnattendedCut(app, host);
    } else if (app.launch.reportMode == 6) {
        status = morvex::RunReportCommand(app, host);
    } else if (app.launch.workOperation != 0) {
        status = morvex::RunUnattendedOperation(app, host);
    } else if (!app.launch.imageFile.empty()) {
        status = morvex::PrepareLaunchWork(app, host);  // a picture of a loaded or defined work
    } else if (app.launch.ncProgram.empty()) {
        // An automatic run, or a report, with no program to work on.
        morvex::ShowError(host, morvex::Msg(morvex::MsgId::NcProgramNotGiven));
    } else {
        // The reports join with their subsystem.
        morvex::ShowWarning(host, morvex::Msg(morvex::MsgId::AutoRunNotAvailable));
    }
    if (!app.launch.imageFile.empty() && status != 2 && app.work.nx >= 2) {
        const morvex::DesktopModule* desktop = Desktop(&host);
        const int picture = desktop != nullptr ? desktop->writePicture(&app, &host) : 2;
        if (picture != 0) status = picture;
    }
    morvex::ShutDown(app);
    return status;
}

// A job of the command line that prints its result and ends: the motion
// listing or the NC check, with alarms going to the batch log.
int RunPrintingJob(morvex::App& app, int (*job)(morvex::App&, morvex::Host&, std::FILE*)) {
    morvex::UnattendedHost host;
    morvex::ContinueStartUp(app, host);  // which also points the host at the batch log
    const int status = job(app, host, stdout);
    morvex::ShutDown(app);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Ctrl+C, a kill or a closed terminal leave no half-written files.
    morvex::RemoveTemporaryFilesOnSignals();
    morvex::App app;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const morvex::StartResult start = morvex::PrepareStartUp(
        app, args, morvex::CurrentDirectory(), morvex::ExecutableDirectory());
    if (start.exit) {
        std::fputs(start.output.c_str(), stdout);
        std::fputs(start.error.c_str(), stderr);
        return start.exitCode;
    }
    if (app.launch.listMotions) return RunPrintingJob(app, morvex::ListMotions);
    if (app.launch.checkProgram) return RunPrintingJob(app, morvex::RunCheckCommand);
    if (app.launch.minimised) return RunUnattended(app);
    const morvex::DesktopModule* desktop = Desktop(nullptr);
    if (desktop == nullptr) return 2;
    return desktop->runWindow(&app, argv[0]);
}
