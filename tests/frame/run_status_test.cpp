// The status line of a run: the current block while it is open, the wait
// file while it waits, and after it one line with the outcome (finished,
// ended early or the alarm with its line), the motions and the machining
// time, in both languages.
#include "frame/run_status.h"

#include <gtest/gtest.h>

#include "nc/nc_alarms.h"
#include "results/nc_check.h"
#include "support/cutting_bench.h"

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
    test::Bench b;
    b.tools.tools[2] = test::Flat(4.0f, "FLAT4");
    MachineDef machine;
    machine.toolChangeTime = 7.0f;
    RunClock clock;
    b.setup.afterMotion = [&clock](const CuttingRun& run, const ChangedNodes&) { ClockRunMotion(clock, run); };
    ASSERT_TRUE(b.Start("G00 X4 Y4 Z12\nG01 Z7 F100\nX12\nG02 X12 Y12 R4\nG04 P1.5\nT2\n"
                        "G01 X4 F300\nX10 Y6\nG00 Z20\n"));
    StartRunClock(clock, machine, b.setup.checks.rapidFeedrate, b.ctl.smoothAngle, b.run.toolNumber);
    EXPECT_EQ(b.Loop(), RunState::Finished);
    b.End();

    CheckInput input;
    input.ncPath = b.setup.ncPath;
    input.start = b.setup.start;
    CheckResult checked;
    ControllerDef checkCtl = b.ctl;
    ASSERT_EQ(CheckProgram(input, checkCtl, machine, CheckTools{}, checked), 0);
    const double expected = checked.totals.rapidTime + checked.totals.feedTime;
    EXPECT_GT(expected, 8.5);  // the dwell and the tool change at least
    EXPECT_NEAR(RunClockSeconds(clock), expected, 1e-9);
}

}  // namespace
}  // namespace morvex
