// Motion listing.
#include "frame/motion_listing.h"

#include "base/messages.h"
#include "base/paths.h"
#include "nc/interpreter.h"
#include "nc/nc_alarms.h"
#include "platform/host.h"
#include "results/machine_def.h"

namespace morvex {

int ListMotions(App& app, Host& host, std::FILE* out) {
    ControllerDef& ctl = app.controller;
    if (ctl.readStatus != 1) {
        ShowText(host, std::string(Msg(MsgId::CtlNotFound)) + " " + app.settings.table.controllerTable);
        return 2;
    }
    const MachineDef& machine = app.machine;
    ToolWordForm tools;
    tools.withOffsetDigits = machine.toolCodeMode != ToolCodeMode::Plain;
    tools.offsetDigits = machine.offsetDigits;

    Interpreter interp;
    if (app.launch.ncProgram.empty() || !OpenNcProgram(interp.reader, app.launch.ncProgram)) {
        ShowText(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
        return 2;
    }
    // Rapids are split as a cutting run would split them.
    for (std::size_t a = 0; a < 3; ++a) {
        interp.setup.rapidRate[a] = machine.rapid[a];
        interp.setup.rapidAccel[a] = machine.rapidAccel[a];
    }
    interp.setup.workPitch = app.settings.work.workPitch;
    const Vec3& c = app.settings.work.controlPoint;
    StartProgram(interp, ctl, Point{c.x, c.y, c.z});

    AlarmDelivery delivery;
    delivery.batch = true;
    delivery.ncPath = app.launch.ncProgram;
    delivery.logDir = app.settings.output.logDir;
    delivery.ncName = FileTitle(app.launch.ncProgram);
    int status = 0;
    while (true) {
        const MotionResult result = NextMotion(interp, ctl, tools);
        const int error = interp.reader.pendingError;
        if (result == MotionResult::Motion) {
            ToToolFrame(interp);
            std::fprintf(out, "%s\n", MotionListingLine(interp.path).c_str());
        }
        if (error != kNcNoError) {
            ShowAlarm(host, delivery, error + kNcAlarmBase, NcErrorDetail(interp.reader, ctl.endOfRecord));
            status = 1;
            if (result != MotionResult::Motion) break;
            interp.reader.pendingError = kNcNoError;
        }
        if (result != MotionResult::Motion) break;
    }
    return status;
}

}  // namespace morvex
