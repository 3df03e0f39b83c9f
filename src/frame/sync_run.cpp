// The sync mapping in the program's start-up, runs and keys.
#include "frame/sync_run.h"

#include <chrono>

#include "base/messages.h"
#include "base/text.h"
#include "platform/host.h"

namespace morvex {

void CreateSyncMapping(App& app, Host& host) {
    const SyncSettings& s = app.settings.sync;
    if (s.mode == kSyncNone) return;
    std::string error;
    if (!OpenSyncLink(app.sync, s.mode, s.shareName, s.total, s.number, error)) {
        ShowError(host, std::string(Msg(MsgId::SyncNotOpened)) + error);
        return;
    }
    LeaveGroupOnSignals(app.sync);
}

void CloseSyncMapping(App& app) {
    CloseSyncLink(app.sync);
}

void AttachSyncToRun(App& app, Host& host, RunSetup& setup) {
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
