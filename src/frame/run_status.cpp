// Status-line texts of a run.
#include "frame/run_status.h"

#include "base/messages.h"
#include "base/text.h"
#include "frame/check_statistics.h"
#include "nc/nc_alarms.h"
#include "sim/measurement.h"

namespace morvex {
namespace {

// One line: line breaks and tabs become spaces, spaces at the ends go.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

void StartRunClock(RunClock& clock, const MachineDef& machine, double rapidFeedrate, double smoothAngle,
                   int initialTool) {
    StartMachiningTimer(clock.timer, machine, rapidFeedrate, smoothAngle);
    clock.tool = initialTool;
    clock.points.clear();
}

void ClockRunMotion(RunClock& clock, const CuttingRun& run) {
    if (run.toolNumber != clock.tool) {
        AddToolChange(clock.timer);
        clock.tool = run.toolNumber;
    }
    const PathRecord& p = run.interp.path;
    const double splineLength = p.type == kSpline ? SplinePathLength(p, clock.points) : 0.0;
    BookPathMotion(clock.timer, p, splineLength, CycleBottomDwell(run.interp.cycle.code, run.interp.cycle.dwell));
}

double RunClockSeconds(RunClock& clock) {
    FlushFeedSegment(clock.timer);
    return clock.timer.totals.rapidTime + clock.timer.totals.feedTime;
}

std::string RunStatusText(const CuttingRun& run, double seconds, bool english) {
    switch (run.state) {
    case RunState::Running:
    case RunState::Paused:
        // The NC search names the line of the motion that cut the watched
        // point (the reader may already be past it with compensation).
        if (run.state == RunState::Paused && run.pause == StopReason::SearchHit) {
            // A module's program is open in the run: its motion is at hand.
            const std::string where = run.setup.reader.active()
                                          ? PointQueryText(run.interp.path)
                                          : CutLineText(run.setup.ncPath, run.interp.path.line);
            return std::string(MsgIn(MsgId::SearchHitLabel, english)) + OneLine(where);
        }
        return OneLine(run.interp.reader.block);
    case RunState::Waiting:
        return std::string(MsgIn(MsgId::WaitingForFile, english)) + run.waitFile;
    case RunState::Idle:
        return {};
    case RunState::Finished:
    case RunState::Aborted:
    case RunState::NcError:
        break;
    }
    std::string head;
    if (run.alarmCode != 0) {
        head = OneLine(AlarmText(run.alarmCode, run.alarmDetail, english, false));
        if (run.alarmLine > 0) head += Format(std::string(MsgIn(MsgId::RunAlarmLine, english)).c_str(), run.alarmLine);
    } else {
        head = MsgIn(run.state == RunState::Finished ? MsgId::RunFinished : MsgId::RunEnded, english);
    }
    return head + ": " +
           Format(std::string(MsgIn(MsgId::RunSummaryCounts, english)).c_str(), run.motions,
                  ClockTime(seconds).c_str());
}

}  // namespace morvex
