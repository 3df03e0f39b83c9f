// Motion listing.
#include "frame/motion_listing.h"

#include <nlohmann/json.hpp>

#include "base/messages.h"
#include "base/paths.h"
#include "integration/reader_source.h"
#include "nc/interpreter.h"
#include "nc/nc_alarms.h"
#include "nc/tool_change.h"
#include "platform/host.h"
#include "results/machine_def.h"

namespace morvex {
namespace {

// The line that ends a listing at an NC error: its code, line and message.
std::string ErrorLine(int code, int line, const std::string& message) {
    nlohmann::ordered_json j;
    j["error"] = code;
    j["line"] = line;
    j["message"] = message;
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

int ListMotions(App& app, Host& host, std::FILE* out) {
    ControllerDef& ctl = app.controller;
    if (ctl.readStatus != 1) {
        ShowError(host, std::string(Msg(MsgId::CtlNotFound)) + " " + app.settings.table.controllerTable);
        return 2;
    }
    const MachineDef& machine = app.machine;
    ToolWordForm tools;
    tools.withOffsetDigits = machine.toolCodeMode != ToolCodeMode::Plain;
    tools.offsetDigits = machine.offsetDigits;

    Interpreter interp;
    if (app.launch.ncProgram.empty() || !OpenNcProgram(interp.reader, app.launch.ncProgram, ModuleReaderFor(app.plugins, app.launch.ncProgram))) {
        ShowError(host, std::string(Msg(MsgId::NcProgramNotOpened)) + app.launch.ncProgram);
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

    // The tool in the spindle, changed as a cutting run changes it.
    const int atcType = static_cast<int>(machine.atcType);
    int tool = app.tools.status == 1 ? app.tools.initialTool : 1;
    int preselected = tool;

    AlarmDelivery delivery;
    delivery.batch = true;
    delivery.ncPath = app.launch.ncProgram;
    delivery.logDir = app.settings.output.logDir;
    delivery.ncName = FileTitle(app.launch.ncProgram);
    // The listing is gathered in one buffer and written in large pieces.
    constexpr std::size_t kFlushBytes = 256 * 1024;
    std::string listing;
    listing.reserve(kFlushBytes + 4096);
    JsonNumberCache numbers;
    auto flush = [&] {
        std::fwrite(listing.data(), 1, listing.size(), out);
        listing.clear();
    };
    int status = 0;
    while (true) {
        const MotionResult result = NextMotion(interp, ctl, tools);
        const int error = interp.reader.pendingError;
        if (result == MotionResult::Motion) {
            const int change = ToolChangeOf(atcType, tools, interp.path, preselected);
            if (change >= 0) tool = change;
            ToToolFrame(interp);
            AppendMotionListingLine(listing, interp.path, tool, numbers);
            listing += '\n';
            if (listing.size() >= kFlushBytes) flush();
        }
        if (error != kNcNoError) {
            // The error ends the listing; the alarm goes to the batch log and stderr as well.
            const int code = error + kNcAlarmBase;
            AlarmDetail detail = NcErrorDetail(interp.reader, ctl.endOfRecord);
            if (result == MotionResult::Motion) detail.programLine = interp.path.line;
            flush();
            std::fprintf(out, "%s\n", ErrorLine(code, detail.programLine, AlarmText(code, detail, IsEnglish(), true)).c_str());
            ShowAlarm(host, delivery, code, detail);
            status = 1;
            break;
        }
        if (result != MotionResult::Motion) break;
    }
    flush();
    // A listing cut short (a full disk, a closed pipe) is no success.
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        ShowError(host, Msg(MsgId::ResultNotWritten));
        return 2;
    }
    return status;
}

}  // namespace morvex
