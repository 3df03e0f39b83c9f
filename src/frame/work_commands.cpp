// Work commands.
#include "frame/work_commands.h"

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "frame/check_command.h"
#include "frame/plugin_work_forms.h"
#include "integration/work_plugins.h"
#include "platform/host.h"
#include "results/nc_check.h"
#include "workio/model_heights.h"

namespace morvex {
namespace {

int Fail(Host& host, std::string_view text, const std::string& detail = {}) {
    ShowError(host, std::string(text) + detail);
    return 2;
}

bool Ask(Host& host, MsgId question) {
    MessageRequest ask;
    ask.text = std::string(Msg(question));
    ask.buttons = MessageButtons::YesNo;
    ask.kind = MessageKind::Question;
    return host.ShowMessage(ask) == MessageAnswer::Yes;
}

// Where the tool stands before the first motion: /S, else the NEW CONTROL
// POINT rule of a loaded work (the start keys) or of a defined box.
void PlaceStart(App& app, bool loaded) {
    WorkSettings& w = app.settings.work;
    if (app.launch.controlPoint) return;  // CONTROL POINT already holds /S
    const int mode = loaded ? w.newControlPointStart : w.newControlPoint;
    const Vec3& sp = loaded ? w.specifiedPointStart : w.specifiedPoint;
    const Point current{w.controlPoint.x, w.controlPoint.y, w.controlPoint.z};
    const Point p = PlaceControlPoint(static_cast<ControlPointMode>(mode), app.work, current, Point{sp.x, sp.y, sp.z});
    w.controlPoint = Vec3{p[0], p[1], p[2]};
}

}  // namespace

BoxRequest InitialBox(const Settings& st) {
    const Vec3& lo = st.dmf.initialMin;
    const Vec3& hi = st.dmf.initialMax;
    return BoxRequest{lo.x, lo.y, lo.z, hi.x, hi.y, hi.z};
}

PitchSettings PitchOf(const Settings& st) {
    PitchSettings p;
    p.workPitch = st.work.workPitch;
    p.autoWork = st.work.autoPitch;
    p.maximum = st.work.autoPitchCells;
    p.minimumPitch = st.work.minimumPitch;
    p.movePitch = st.work.movePitch;
    p.autoMove = st.work.autoMovePitch;
    p.moveRate = st.work.movePitchFactor;
    return p;
}

DmfContext DmfContextOf(const Settings& st) {
    DmfContext ctx;
    ctx.saveLevel = st.dmf.saveLevel;
    ctx.intHeights = st.dmf.valueTypeInt;
    ctx.shareMode = st.dmf.shareMode;
    return ctx;
}

int PrepareLaunchWork(App& app, Host& host) {
    const Settings& st = app.settings;
    const LaunchOptions& launch = app.launch;
    if (!launch.workFile.empty()) return LoadWorkFile(app, host, launch.workFile) ? 0 : 2;
    BoxRequest box = InitialBox(st);
    if (!launch.dNumbers.empty()) {
        if (launch.dNumbers.size() != 6) return Fail(host, Msg(MsgId::WorkDefinitionNumbers));
        const auto& d = launch.dNumbers;
        box = BoxRequest{d[0], d[1], d[2], d[3], d[4], d[5]};
    } else if (launch.dOption) {
        return DefineOptimumWork(app, host);
    }
    return DefineWork(app, host, box);
}

int DefineWork(App& app, Host& host, const BoxRequest& box) {
    const Settings& st = app.settings;
    PitchSettings pitch = PitchOf(st);
    const DefineWorkStatus status = DefineBoxWork(app.work, box, pitch, st.dmf.dataLevel);
    if (const auto message = DefineWorkMessage(status)) return Fail(host, Msg(*message));
    app.workBox = box;
    app.settings.work.movePitch = pitch.movePitch;
    PlaceStart(app, false);
    return 0;
}

int DefineOptimumWork(App& app, Host& host) {
    const Settings& st = app.settings;
    CheckResult check;
    ControllerDef ctl = app.controller;  // the check may change offsets; the run starts afresh
    if (CheckProgram(CheckInputOf(app, kCheckMinMax), ctl, app.machine, CheckToolsOf(app), check) != 0) {
        return Fail(host, Msg(MsgId::NcProgramNotOpened), app.launch.ncProgram);
    }
    const Vec3& m = st.work.workMargin;
    // The top is where the feed motions end highest, not where a plunge
    // onto the stock starts: that would put stock under the clearance plane.
    Point top = check.cut.max;
    if (check.cutTop >= check.cut.min[2]) top[2] = check.cutTop;
    BoxRequest box = OptimumBoxFromExtents(check.cut.min, top, Point{m.x, m.y, m.z}, InitialBox(st));
    // A slot at one Y (or X) still gets a work: one pitch of the pitch rule wide.
    PitchSettings pitch = PitchOf(st);
    WidenFlatBox(box, ApplyPitchRule(box, pitch));
    return DefineWork(app, host, box);
}

bool LoadWorkFile(App& app, Host& host, const std::string& path, const Progress* progress) {
    const bool dmf = EndsWithNoCase(path, ".dmf");
    if (const LoaderModule* loader = dmf ? nullptr : LoaderForFile(app.plugins, path)) {
        const PluginWorkResult r = LoadWorkWithPlugin(*loader, path, app.work, app.work.dataLevel);
        for (const std::string& note : r.notes) ShowText(host, note);
        if (!r.ok) {
            Fail(host, r.message);
            return false;
        }
        PlaceStart(app, true);
        return true;
    }
    const bool stl = EndsWithNoCase(path, ".stl") || EndsWithNoCase(path, ".dme");
    if (!stl && !dmf) {
        Fail(host, Msg(MsgId::WorkFormatNotAvailable), path);
        return false;
    }
    if (stl) {
        StlLoadOptions options;
        options.pitch = app.settings.work.workPitch;
        options.dataLevel = app.work.dataLevel;
        options.spikeFilter = app.settings.dmf.stlFilter;
        options.progress = progress;
        const StlStatus status = LoadStlWork(path, options, app.work);
        if (const auto message = StlLoadMessage(status)) {
            Fail(host, Msg(*message), path);
            return false;
        }
    } else {
        DmfContext ctx = DmfContextOf(app.settings);
        const DmfStatus status = LoadDmf(path, app.work, ctx);
        if (const auto message = DmfLoadMessage(status)) {
            Fail(host, Msg(*message), " " + path);
            return false;
        }
    }
    PlaceStart(app, true);
    return true;
}

std::optional<std::string> ReadBasicModel(App& app, const std::string& path, const Progress* progress) {
    std::vector<float> heights;
    if (auto failed = ModelHeightsOf(app.plugins, path, app.work, kBasicModelStart, heights, progress)) {
        return failed;
    }
    app.work.basicHeight.swap(heights);
    app.settings.dmf.basicModel = path;
    app.settings.dmf.basicModelOn = true;
    return std::nullopt;
}

int SaveWork(App& app, const std::string& path, OutputFormat format) {
    switch (format) {
        case OutputFormat::Dmf: {
            DmfContext ctx = DmfContextOf(app.settings);
            return SaveDmf(path, app.work, ctx);
        }
        case OutputFormat::Stl: return WriteStl(path, app.work, kStlText);
        case OutputFormat::StlBinary: return WriteStl(path, app.work, kStlBinaryLittle);
        case OutputFormat::StlBinary2: return WriteStl(path, app.work, kStlBinaryBig);
        case OutputFormat::Wrl:
        case OutputFormat::WrlCompressed: {
            VrmlOptions options;
            options.gzip = format == OutputFormat::WrlCompressed;
            options.color = app.settings.colors[ColorKey::Work];
            return WriteVrml(path, app.work, options);
        }
        case OutputFormat::Plugin1:
        case OutputFormat::Plugin2:
        case OutputFormat::Plugin3: {
            const auto slot = static_cast<std::size_t>(format) - static_cast<std::size_t>(OutputFormat::Plugin1);
            if (slot >= app.plugins.savers.size()) return kFileWriteFailed;
            const bool basic = app.work.basicHeight.size() == app.work.cellCount && app.work.cellCount > 0;
            const PluginWorkResult r = SaveWorkWithPlugin(app.plugins.savers[slot], path, app.work,
                                                          basic ? app.work.basicHeight.data() : nullptr,
                                                          app.work.dataLevel);
            if (r.cancelled) return kFileSaveCancelled;
            return r.ok ? kFileSaved : kFileWriteFailed;
        }
        default: return kFileWriteFailed;
    }
}

bool OutputFormatWritable(const PluginSet& plugins, OutputFormat format) {
    if (format >= OutputFormat::Dmf && format <= OutputFormat::WrlCompressed) return true;
    if (format < OutputFormat::Plugin1 || format > OutputFormat::Plugin3) return false;
    return static_cast<std::size_t>(format) - static_cast<std::size_t>(OutputFormat::Plugin1) < plugins.savers.size();
}

bool SaveWorkFile(App& app, Host& host, const std::string& chosen) {
    // The form by the ending and the tails of /O (",b", ",b2", ",z"); ",p"
    // asks for the VRML points form.
    std::string path = chosen;
    const bool points = EndsWithNoCase(path, ".wrl,p");
    if (points) path.resize(path.size() - 2);
    OutputFormat format = SaverFormatOfTail(app.plugins, path);
    for (const char* ending : {".dmf", ".stl", ".stl,b", ".stl,b2", ".wrl", ".wrl,z"}) {
        if (format == OutputFormat::None && EndsWithNoCase(path, ending)) format = ClassifyOutputName(path);
    }
    if (format == OutputFormat::None) {
        const std::vector<std::string> endings = SaverEndings(app.plugins);
        std::string named = path;
        if (const OutputFormat f = ClassifyOutputName(named, endings); f >= OutputFormat::Plugin1) format = f;
    }
    if (format == OutputFormat::None) {
        Fail(host, Msg(MsgId::OutputFormatNotAvailable), chosen);
        return false;
    }
    int saved = kFileWriteFailed;
    if (points) {
        VrmlOptions options;
        options.form = kVrmlPoints;
        options.color = app.settings.colors[ColorKey::Work];
        saved = WriteVrml(path, app.work, options);
    } else {
        saved = SaveWork(app, path, format);
    }
    if (saved == kFileSaved) {
        host.ShowStatus(std::string(Msg(MsgId::FileSaved)) + path);
        return true;
    }
    if (saved == kFileSaveCancelled) return false;
    Fail(host, Msg(MsgId::OutputNotWritten), path);
    return false;
}

bool SelectNcProgram(App& app, Host& host, const std::string& path) {
    if (!CanOpenForReading(path)) {
        Fail(host, path, std::string(Msg(MsgId::NcDataMissing)));
        return false;
    }
    app.launch.ncProgram = path;
    app.launch.ncProgramOpened = true;
    return true;
}

bool OfferOptimumWork(App& app, Host& host, bool fitWork) {
    const bool haveWork = app.work.workState > 0;
    if (fitWork) {
        if (haveWork && !Ask(host, MsgId::UpdateWorkQuestion)) return false;
        return DefineOptimumWork(app, host) == 0;
    }
    if (haveWork) return false;
    if (!Ask(host, MsgId::OptimumWorkQuestion)) {
        ShowWarning(host, Msg(MsgId::PleaseLoadWork));
        return false;
    }
    return DefineOptimumWork(app, host) == 0;
}

}  // namespace morvex
