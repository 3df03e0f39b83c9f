// The sync mapping in the program's start-up, runs and keys.
#include "frame/sync_run.h"

#include <chrono>

#include "base/messages.h"
#include "base/text.h"
#include "frame/self_instance.h"
#include "frame/sync_module_run.h"
#include "integration/sync_module.h"
#include "platform/host.h"

namespace morvex {

namespace {

// The three objects of a shared work, kept while the grid keeps its size.
struct SharedWork {
    std::string name;
    SharedMapping top, topc, topn;
    std::size_t cells = 0;
    bool lines = false;

    void Close() {
        CloseSharedMapping(top);
        CloseSharedMapping(topc);
        CloseSharedMapping(topn);
        cells = 0;
    }
    ~SharedWork() { Close(); }
};

}  // namespace

void ShareWork(App& app) {
    if (!app.settings.dmf.shareMode) return;
    auto work = std::make_shared<SharedWork>();
    work->name = app.settings.dmf.shareName;
    auto sharing = std::make_shared<WorkSharing>();
    sharing->attach = [work](std::size_t cells, bool lines, float*& height, std::uint8_t*& attr,
                             std::int32_t*& lineNo) {
        if (work->cells != cells || work->lines != lines) {
            work->Close();
            std::string error;
            if (!OpenSharedMapping(work->top, work->name + "_TOP", cells * sizeof(float), error) ||
                !OpenSharedMapping(work->topc, work->name + "_TOPC", cells, error) ||
                (lines && !OpenSharedMapping(work->topn, work->name + "_TOPN", cells * sizeof(std::int32_t), error))) {
                work->Close();
                return false;  // the allocation reports the memory failure
            }
            work->cells = cells;
            work->lines = lines;
        }
        height = reinterpret_cast<float*>(work->top.bytes);
        attr = work->topc.bytes;
        lineNo = lines ? reinterpret_cast<std::int32_t*>(work->topn.bytes) : nullptr;
        return true;
    };
    sharing->detach = [work]() { work->Close(); };
    app.work.sharing = std::move(sharing);
}

void CreateSyncMapping(App& app, Host& host) {
    const SyncSettings& s = app.settings.sync;
    if (s.mode == kSyncNone) return;
    std::string name = s.shareName;
    if (HasSyncPlugin(app.plugins)) {
        name = SyncModuleMappingName(app.plugins.sync.entry, OwnProgramFile(), name, app.plugins.notes);
        ReportModuleNotes(app);
    }
    std::string error;
    if (!OpenSyncLink(app.sync, s.mode, name, s.total, s.number, error)) {
        ShowError(host, std::string(Msg(MsgId::SyncNotOpened)) + error);
        return;
    }
    LeaveGroupOnSignals(app.sync);
}

void CloseSyncMapping(App& app) {
    CloseSyncLink(app.sync);
}

namespace {

void AttachSyncLinkToRun(App& app, Host& host, RunSetup& setup) {
    SyncLink& link = app.sync;
    if (!SyncLinkOpen(link)) return;
    if (link.mode == kSyncPosition) {
        setup.publish = [&link](const CuttingRun& run) {
            if (run.state == RunState::Finished) {
                PublishFinished(link);
                return;
            }
            const PathRecord& p = run.interp.path;
            PublishPosition(link, p.line, p.end.data());
        };
        setup.waitOver = [&link]() { return PositionState(link) == kPositionIdle; };
        return;
    }
    ClearBarrier(link);
    const bool interactive = setup.interactive;
    const int seconds = app.settings.sync.timeoutSeconds;
    const int escapeKey = setup.escapeKey;
    setup.groupStep = [&link, &host, interactive, seconds, escapeKey](const CuttingRun& run) {
        BarrierWaitOptions options;
        options.timeout = std::chrono::seconds(seconds);
        // The window stays alive while the group is awaited; its escape
        // key stops the group and G lifts a group pause held here.
        if (interactive) {
            options.idle = [&link, &host, escapeKey]() {
                host.PumpMessages();
                if (host.IsKeyDown(escapeKey)) GroupStop(link);
                if (host.IsKeyDown('G')) (void)GroupContinue(link);
            };
        }
        // Without a user, or at the last step, a group pause is held here
        // until someone lifts it.
        options.answerPause = interactive && run.state != RunState::Finished;
        switch (BarrierWait(link, options)) {
        case BarrierResult::GoOn:
        case BarrierResult::NotJoined:
            return GroupStep::GoOn;
        case BarrierResult::Paused:
            return GroupStep::Paused;
        case BarrierResult::Stop:
            if (interactive) {
                host.ShowStatus(std::string(Msg(MsgId::SyncGroupStopped)));
            } else {
                ShowText(host, Msg(MsgId::SyncGroupStopped));
            }
            return GroupStep::Stop;
        case BarrierResult::TimedOut:
            break;
        }
        ShowError(host, Format(std::string(Msg(MsgId::SyncPartnerMissing)).c_str(), seconds));
        return GroupStep::GaveUp;
    };
    if (interactive) setup.pauseGroup = [&link]() { GroupPause(link); };
    setup.stopGroup = [&link]() { GroupStop(link); };
}

}  // namespace

void AttachSyncToRun(App& app, Host& host, RunSetup& setup) {
    AttachSyncLinkToRun(app, host, setup);
    if (HasSyncPlugin(app.plugins)) AttachSyncModuleToRun(app, setup);
}

bool GroupContinueKey(App& app) {
    return GroupContinue(app.sync);
}

void GroupStopKey(App& app) {
    GroupStop(app.sync);
}

bool InLockStep(const App& app) {
    return app.sync.mode == kSyncBarrier && SyncLinkOpen(app.sync);
}

bool FollowedRun(const App& app, std::string& status) {
    if (app.sync.mode != kSyncPosition) return false;
    const PositionRecord r = ReadPosition(app.sync);
    if (r.state == kPositionIdle) return false;
    status = Format(std::string(Msg(MsgId::SyncFollowing)).c_str(), r.line, r.point[0], r.point[1], r.point[2]);
    return true;
}

}  // namespace morvex
