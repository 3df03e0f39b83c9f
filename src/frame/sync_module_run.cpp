// Implementation notes: the offsets a module supplies are written into the
// controller's table itself, where the interpreter takes them from (G54 is
// entry 1); the values they replaced are kept with the run's hooks and put
// back once, by the first of the run's end or a start that failed. An entry
// that no longer holds the module's value was changed during the run (G10,
// a controller read again) and keeps that change.
#include "frame/sync_module_run.h"

#include <cstdio>
#include <memory>

#include "integration/sync_module.h"

namespace morvex {
namespace {

struct ModuleRun {
    bool active = true;
    int replaced = 0;  // entries 1..replaced hold the module's offsets
    std::array<WorkCoordinate, MV_SYNC_OFFSETS> saved{};
    std::array<WorkCoordinate, MV_SYNC_OFFSETS> given{};
    int lastLine = 0;  // the last step told
    std::array<double, 3> lastPoint{};
};

SyncOffsets OffsetsInUse(const ControllerDef& ctl) {
    SyncOffsets o;
    o.count = MV_SYNC_OFFSETS;
    for (std::size_t n = 0; n < MV_SYNC_OFFSETS; ++n) {
        const WorkCoordinate& w = ctl.work[n + 1];
        o.xyz[n * 3] = w.x;
        o.xyz[n * 3 + 1] = w.y;
        o.xyz[n * 3 + 2] = w.z;
    }
    return o;
}

bool Same(const WorkCoordinate& a, const WorkCoordinate& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

void ReportModuleNotes(App& app) {
    for (const std::string& note : app.plugins.notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
    app.plugins.notes.clear();
}

void AttachSyncModuleToRun(App& app, RunSetup& setup) {
    PluginSet& plugins = app.plugins;
    ControllerDef& ctl = app.controller;
    auto state = std::make_shared<ModuleRun>();
    SyncOffsets offsets = OffsetsInUse(ctl);
    if (SyncModuleOffsets(plugins.sync.entry, offsets, plugins.notes)) {
        state->replaced = offsets.count;
        for (std::size_t n = 0; n < static_cast<std::size_t>(offsets.count); ++n) {
            WorkCoordinate& entry = ctl.work[n + 1];
            state->saved[n] = entry;
            entry = WorkCoordinate{static_cast<float>(offsets.xyz[n * 3]), static_cast<float>(offsets.xyz[n * 3 + 1]),
                                   static_cast<float>(offsets.xyz[n * 3 + 2])};
            state->given[n] = entry;
        }
    }
    ReportModuleNotes(app);
    // Every motion taken; the end is told by `ended`. Once the modules were
    // freed (the window closed first) nothing more is called.
    std::function<void(const CuttingRun&)> before = std::move(setup.publish);
    setup.publish = [before, state, &plugins, &ctl](const CuttingRun& run) {
        if (before) before(run);
        if (run.state == RunState::Finished || plugins.freed || !HasSyncPlugin(plugins)) return;
        const PathRecord& p = run.interp.path;
        state->lastLine = p.line;
        state->lastPoint = {p.end[0], p.end[1], p.end[2]};
        SyncModulePut(plugins.sync.entry, 1, p.line, p.end.data(), OffsetsInUse(ctl));
    };
    std::function<void()> endBefore = std::move(setup.ended);
    setup.ended = [endBefore, state, &plugins, &ctl]() {
        if (endBefore) endBefore();
        if (!state->active) return;
        state->active = false;
        if (!plugins.freed && HasSyncPlugin(plugins)) {
            // The line and point the run ended at are the last step's.
            SyncModulePut(plugins.sync.entry, 2, state->lastLine, state->lastPoint.data(), OffsetsInUse(ctl));
        }
        for (std::size_t n = 0; n < static_cast<std::size_t>(state->replaced); ++n) {
            WorkCoordinate& entry = ctl.work[n + 1];
            if (Same(entry, state->given[n])) entry = state->saved[n];
        }
    };
}

}  // namespace morvex
