#include "frame/unattended_operation.h"

#include <string>
#include <vector>

#include "base/messages.h"
#include "frame/work_commands.h"
#include "integration/work_plugins.h"
#include "platform/host.h"
#include "workio/model_heights.h"
#include "workops/offset.h"
#include "workops/work_ops.h"

namespace morvex {
namespace {

int Fail(Host& host, MsgId id, const std::string& detail = {}) {
    ShowError(host, std::string(Msg(id)) + detail);
    return 2;
}

int Offset(App& app, Host& host) {
    const LaunchOptions& l = app.launch;
    if (!l.offsetValue) return Fail(host, MsgId::OffsetValueMissing, l.workOperationKind);
    const double value = *l.offsetValue;
    const char kind = l.workOperationKind[0];
    const bool onlyPaint = l.workOperationKind.size() > 1 && l.workOperationKind[1] == '2';
    const bool basic = l.workOperationKind.size() > 1 && l.workOperationKind[1] == '3';
    if (kind == 'Z') {
        OffsetWorkZ(app.work, value, onlyPaint);
        return 0;
    }
    OffsetRun run;
    run.kind = kind == 'N' ? OffsetKind::Normal : OffsetKind::Horizontal;
    run.value = value;
    run.threads = app.settings.work.offsetThreads.count;
    OffsetStatus status = OffsetStatus::Ok;
    if (basic) {
        // The basic model of /K (or BASIC MODEL) on the work's grid.
        const std::string path = app.settings.dmf.basicModel;
        if (path.empty()) return Fail(host, MsgId::BasicModelMissing);
        if (auto failed = ReadBasicModel(app, path)) {
            ShowError(host, *failed);
            return 2;
        }
        int rows = 0;
        status = OffsetHeights(app.work.basicHeight.data(), app.work.nx, app.work.ny, app.work.pitch, run, rows);
        // The offset model becomes the work, so that /O shows it.
        if (status == OffsetStatus::Ok) {
            for (std::uint32_t i = 0; i < app.work.cellCount; ++i) {
                const float h = app.work.basicHeight[i];
                app.work.height[i] = h > kNoModelHeight ? h : static_cast<float>(app.work.zMin);
                app.work.attr[i] = 0;
                if (app.work.lineNo != nullptr) app.work.lineNo[i] = 0;
            }
            RecomputeZMax(app.work);
            app.work.workState = 2;
        }
    } else {
        status = OffsetWork(app.work, run, onlyPaint);
    }
    if (status == OffsetStatus::TooLarge) return Fail(host, MsgId::OffsetTooLarge);
    if (status == OffsetStatus::MemoryOver) return Fail(host, MsgId::MemoryOver);
    return 0;
}

int Modify(App& app, Host& host) {
    for (const char c : app.launch.workOperationKind) {
        bool ok = true;
        switch (c) {
            case 'R': ok = TurnWork(app.work, TurnKind::Deg90); break;
            case 'L': ok = TurnWork(app.work, TurnKind::DegMinus90); break;
            case 'U': ok = TurnWork(app.work, TurnKind::Deg180); break;
            case 'X': ok = TurnWork(app.work, TurnKind::MirrorX); break;
            case 'Y': ok = TurnWork(app.work, TurnKind::MirrorY); break;
            case 'F':
            case 'G': {
                ReverseSetting s;
                s.alongY = c == 'G';
                ok = ReverseWork(app.work, s);
                break;
            }
            default: return Fail(host, MsgId::WorkModifyLetter, std::string(1, c));
        }
        if (!ok) return Fail(host, MsgId::MemoryOver);
    }
    return 0;
}

int Merge(App& app, Host& host) {
    const std::string& path = app.launch.workOperationFile;
    std::vector<float> model;
    if (auto failed = ModelHeightsOf(app.plugins, path, app.work, static_cast<float>(app.work.zMin), model)) {
        ShowError(host, *failed);
        return 2;
    }
    ApplyMerge(app.work, model, app.launch.workOperationKind == "H");
    return 0;
}

}  // namespace

int RunUnattendedOperation(App& app, Host& host) {
    const LaunchOptions& l = app.launch;
    if (l.outputWork.empty()) return Fail(host, MsgId::OperationNeedsOutput);
    if (!OutputFormatWritable(app.plugins, l.outputFormat)) {
        return Fail(host, MsgId::OutputFormatNotAvailable, l.outputWork);
    }
    if (const int status = PrepareLaunchWork(app, host); status != 0) return status;
    Backup(app.work, Point{}, Point{});
    int status = 2;
    switch (l.workOperation) {
        case 'O': status = Offset(app, host); break;
        case 'M': status = Modify(app, host); break;
        case 'A': status = Merge(app, host); break;
        default: break;
    }
    if (status != 0) return status;
    if (SaveWork(app, l.outputWork, l.outputFormat) != kFileSaved) {
        return Fail(host, MsgId::OutputNotWritten, l.outputWork);
    }
    return 0;
}

}  // namespace morvex
