// The status line of a run: the current block while it is open, the wait
// file while it waits, and after it one line with the outcome (finished,
// ended early or the alarm with its line), the motions and the machining
// time, in both languages.
#include "frame/run_status.h"

#include <gtest/gtest.h>

#include "nc/nc_alarms.h"
#include "results/nc_check.h"
#include "sim/work_model.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(RunStatus, BlockWhileOpenSummaryAfter) {
    struct Case {
        RunState state;
        int alarm;
        bool english;
        const char* expected;
    };
    const Case cases[] = {
        {RunState::Running, 0, true, "N20 G01 X10. Y5."},
        {RunState::Paused, 0, false, "N20 G01 X10. Y5."},
        {RunState::Waiting, 0, true, "Waiting until this file is deleted: /tmp/w.flag"},
        {RunState::Finished, 0, true, "Finished: 104 motions, machining time 0:01:23"},
        {RunState::Finished, 0, false, "加工終了: 動作 104, 加工時間 0:01:23"},
        {RunState::Aborted, 0, true, "Ended before the program's end: 104 motions, machining time 0:01:23"},
        {RunState::Aborted, kAlarmRapid, true,
         "The tool was dameged. (G00 interference) (line 12): 104 motions, machining time 0:01:23"},
        {RunState::Aborted, kAlarmRapid, false, "工具が破損しました(G00干渉) (12行目): 動作 104, 加工時間 0:01:23"},
    };
    for (const Case& c : cases) {
        CuttingRun run;
        run.state = c.state;
        run.interp.reader.block = "\tN20 G01 X10. Y5. \r\n";
        run.waitFile = "/tmp/w.flag";
        run.motions = 104;
        run.alarmCode = c.alarm;
        run.alarmLine = c.alarm != 0 ? 12 : 0;
        EXPECT_EQ(RunStatusText(run, 83.4, c.english), c.expected);
    }
}

TEST(RunStatus, RunClockTimesLikeTheCheck) {
    const std::string program = "G00 X4 Y4 Z12\nG01 Z7 F100\nX12\nG02 X12 Y12 R4\nG04 P1.5\nT2\n"
                                "G01 X4 F300\nX10 Y6\nG00 Z20\n";
    test::TempDir dir;
    const std::string path = dir.Write("p.nc", program);
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    ctl.readStatus = 1;
    MachineDef machine;
    machine.toolChangeTime = 7.0f;
    ToolTable tools;
    tools.tools.resize(3);
    for (int t = 1; t <= 2; ++t) {
        ToolDef& d = tools.tools[static_cast<std::size_t>(t)];
        d.defined = true;
        d.shape = kShapeFlat;
        d.d = 4.0f;
        d.h = 30.0f;
        d.name = "FLAT4";
    }
    WorkModel work;
    PitchSettings pitch;
    pitch.workPitch = 0.5;
    ASSERT_EQ(DefineBoxWork(work, BoxRequest{0, 0, 0, 20, 20, 10}, pitch, kDataLevelFull), DefineWorkStatus::Ok);
    RunSetup setup;
    setup.workPitch = 0.5;
    setup.checks = RunChecks{0, 0, 0, 0};
    setup.start = {10, 10, 20};
    setup.ncPath = path;
    setup.listFolder = dir.Dir();
    setup.delivery.batch = true;
    setup.delivery.logDir = dir.Dir();
    setup.lengthReport.folder = dir.Dir();
    RunClock clock;
    setup.afterMotion = [&clock](const CuttingRun& run, const ChangedNodes&) { ClockRunMotion(clock, run); };
    test::RecordingHost host;
    CuttingRun run;
    ASSERT_TRUE(StartRun(run, setup, work, ctl, tools));
    StartRunClock(clock, machine, setup.checks.rapidFeedrate, ctl.smoothAngle, run.toolNumber);
    EXPECT_EQ(RunLoop(run, work, ctl, tools, host), RunState::Finished);
    EndRun(run, host);

    CheckInput input;
    input.ncPath = path;
    input.start = setup.start;
    CheckResult checked;
    ControllerDef checkCtl = ctl;
    ASSERT_EQ(CheckProgram(input, checkCtl, machine, CheckTools{}, checked), 0);
    const double expected = checked.totals.rapidTime + checked.totals.feedTime;
    EXPECT_GT(expected, 8.5);  // the dwell and the tool change at least
    EXPECT_NEAR(RunClockSeconds(clock), expected, 1e-9);
}

}  // namespace
}  // namespace morvex
