// The --check command.
#include "frame/check_command.h"

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "nc/nc_alarms.h"
#include "platform/host.h"

namespace morvex {
namespace {

std::string Number(double v) { return Format("%.10g", v); }

std::string Vector(const Point& p) {
    return "[" + Number(p[0]) + ", " + Number(p[1]) + ", " + Number(p[2]) + "]";
}

std::string List(const std::vector<int>& codes) {
    std::string s = "[";
    for (std::size_t i = 0; i < codes.size(); ++i) s += (i ? ", " : "") + std::to_string(codes[i]);
    return s + "]";
}

}  // namespace

std::string CheckResultJson(const CheckResult& r) {
    const MachiningTotals& t = r.totals;
    std::string s = "{";
    s += "\"error\": " + std::to_string(r.error == 0 ? 0 : r.error + kNcAlarmBase);
    s += ", \"error_line\": " + std::to_string(r.errorLine);
    s += ", \"lines\": " + std::to_string(r.lines);
    s += ", \"min\": " + Vector(r.all.min) + ", \"max\": " + Vector(r.all.max);
    s += ", \"cut_min\": " + Vector(r.cut.min) + ", \"cut_max\": " + Vector(r.cut.max);
    s += ", \"rapidLength\": " + Number(t.rapidLength) + ", \"feedLength\": " + Number(t.feedLength);
    s += ", \"rapidClassLength\": " + Number(t.rapidClassLength);
    s += ", \"cutClassLength\": " + Number(t.cutClassLength);
    s += ", \"rapidTime\": " + Number(t.rapidTime) + ", \"feedTime\": " + Number(t.feedTime);
    s += ", \"rapidClassTime\": " + Number(t.rapidClassTime);
    s += ", \"cutClassTime\": " + Number(t.cutClassTime);
    s += ", \"maxProgramFeed\": " + Number(t.maxProgramFeed);
    s += ", \"maxCutFeed\": " + Number(t.maxCutFeed);
    s += ", \"minProgramFeed\": " + Number(t.minProgramFeed);
    s += ", \"tools\": " + List(r.tools) + ", \"g\": " + List(r.g) + ", \"m\": " + List(r.m);
    s += ", \"d\": " + List(r.d) + ", \"h\": " + List(r.h);
    return s + "}";
}

CheckInput CheckInputOf(const App& app, int mode) {
    CheckInput input;
    input.ncPath = app.launch.ncProgram;
    input.mode = mode;
    const Vec3& c = app.settings.work.controlPoint;
    input.start = Point{c.x, c.y, c.z};
    input.rapidFeedrate = app.settings.work.rapidFeedrate;
    input.workPitch = app.settings.work.workPitch;
    if (app.tools.status == 1) input.initialTool = app.tools.initialTool;
    return input;
}

CheckTools CheckToolsOf(const App& app) {
    // Without a table every tool number counts as defined.
    CheckTools tools;
    if (app.tools.status != 1) return tools;
    tools.haveTable = true;
    for (const ToolDef& t : app.tools.tools) {
        tools.defined.push_back(t.defined);
        tools.length.push_back(t.shift);
    }
    return tools;
}

int RunCheckCommand(App& app, Host& host, std::FILE* out) {
    ControllerDef& ctl = app.controller;
    if (ctl.readStatus != 1) {
        ShowText(host, std::string(Msg(MsgId::CtlNotFound)) + " " + app.settings.table.controllerTable);
        return 2;
    }
    const CheckInput input = CheckInputOf(app, kCheckData);
    const CheckTools tools = CheckToolsOf(app);
    CheckResult result;
    if (input.ncPath.empty() || CheckProgram(input, ctl, app.machine, tools, result) != 0) {
        ShowText(host, std::string(Msg(MsgId::NcProgramNotOpened)) + input.ncPath);
        return 2;
    }
    std::fprintf(out, "%s\n", CheckResultJson(result).c_str());
    if (result.error == 0) return 0;
    AlarmDelivery delivery;
    delivery.batch = true;
    delivery.ncPath = input.ncPath;
    delivery.logDir = app.settings.output.logDir;
    delivery.ncName = FileTitle(input.ncPath);
    AlarmDetail detail;
    detail.programLine = result.errorLine;
    detail.endOfRecord = ctl.endOfRecord;
    ShowAlarm(host, delivery, result.error + kNcAlarmBase, detail);
    return 1;
}

}  // namespace morvex
