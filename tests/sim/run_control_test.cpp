// Whole cutting runs on a small box work: pauses from the checks, the stop
// modes and the NC search, aborts and the "C" restore, holder contact in the
// arbor modes, wait M-codes, worker strips against one thread, the chip dead
// zone and the required stick-out report.
#include "sim/run_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <map>
#include <set>
#include <vector>

#include "base/messages.h"
#include "sim/program_path.h"
#include "sim/sweep_node.h"
#include "sim/tool_profile.h"
#include "support/cutting_bench.h"
#include "support/language.h"

namespace morvex {
namespace {

using test::Bench;
using test::Flat;
using test::HeightAt;
using test::PaintedAt;
using test::TempDir;
constexpr float kTop = test::kBenchTop;

TEST(RunControl, RapidGrazingOneNodePausesAndIsListed) {
    Bench b;
    b.setup.checks.rapid = 2;
    b.setup.delivery.batch = false;
    b.setup.start = {-5, 10, 20};
    // The 4 mm flat at reaches only the node at X0 Y10, 1.99 from its axis.
    ASSERT_TRUE(b.Start("G00 X-1.99\nG00 Z5\nG00 Z20\nG00 X30\n"));
    EXPECT_EQ(b.Loop(), RunState::Paused);
    EXPECT_EQ(b.run.pause, StopReason::Check);
    EXPECT_EQ(b.run.interp.path.line, 2);
    EXPECT_EQ(b.Lowered(), 1);
    EXPECT_EQ(HeightAt(b.work, 0, 10), 5.0f);
    // Touched at rapid speed: the node and its neighbours, six at the border.
    EXPECT_EQ(b.Painted(), 6);
    EXPECT_TRUE(PaintedAt(b.work, 0.5, 9.5));
    EXPECT_NE(b.List().find("\nRAPID(G00)\n2:G00 Z5\n"), std::string::npos) << b.List();

    ResumeRun(b.run);
    EXPECT_EQ(b.Loop(), RunState::Finished);
    EXPECT_EQ(b.run.motions, 4);
    EXPECT_EQ(b.Lowered(), 1);
    b.End();
    // Outside batch mode the list is opened for the user; a pause shows no message.
    ASSERT_EQ(b.host.opened.size(), 1u);
    EXPECT_EQ(std::filesystem::path(b.host.opened[0]).filename(), "interference.txt");
    EXPECT_TRUE(b.host.messages.empty());
}

TEST(RunControl, StopModesAndTheStopKey) {
    const std::string program = "G00 X15 Y15\nM00\nG00 X16\nM01\nG00 X17\nM00\nG00 X18\n";
    const std::pair<int, std::vector<int>> cases[] = {
        {kStopNone, {}},
        {kStopM00, {2, 6}},
        {kStopM01, {2, 4, 6}},
        {kStopSingle, {1, 2, 3, 4, 5, 6, 7}},
    };
    for (const auto& [mode, lines] : cases) {
        Bench b;
        b.setup.stopMode = mode;
        ASSERT_TRUE(b.Start(program));
        EXPECT_EQ(b.RunThrough(), lines) << mode;
        EXPECT_EQ(b.run.state, RunState::Finished) << mode;
        EXPECT_EQ(b.run.motions, 7) << mode;
    }
    // Under radius compensation the interpreter reads a block ahead; the run
    // still stops after the block that asked for it, and an M00 block
    // without motion stops too. Single block stops after every block.
    const std::string compensated =
        "G00 X5 Y5\nG41 D1 G01 X6 Y6 F300\nX12 M00\nY12\nM00\nX6\nG40 X5 Y5\n";
    for (const auto& [mode, lines] : {std::pair{kStopM00, std::vector<int>{3, 5}},
                                      std::pair{kStopSingle, std::vector<int>{1, 2, 3, 4, 5, 6, 7}}}) {
        Bench b;
        b.ctl.dOffsets[1].value = 1.0f;
        b.setup.stopMode = mode;
        ASSERT_TRUE(b.Start(compensated));
        EXPECT_EQ(b.RunThrough(), lines) << mode;
        EXPECT_EQ(b.run.state, RunState::Finished) << mode;
    }
    // The stop key pauses an interactive run before its next motion; other runs ignore it.
    for (const bool interactive : {true, false}) {
        Bench b;
        b.setup.interactive = interactive;
        b.host.keysDown.insert(b.setup.stopKey);
        ASSERT_TRUE(b.Start(program));
        if (interactive) {
            EXPECT_EQ(b.Loop(), RunState::Paused);
            EXPECT_EQ(b.run.pause, StopReason::StopKey);
            EXPECT_EQ(b.run.motions, 0);
            b.host.keysDown.clear();
            ResumeRun(b.run);
        }
        EXPECT_EQ(b.Loop(), RunState::Finished);
    }
    // The NC search: the node at X12 Y10 is lowered by line 4 (to Z5) and by
    // line 6 (to Z4); an interactive run pauses after each, or only after the
    // one that lowers it from the watched height, also with worker strips.
    // Other runs do not watch.
    const std::string passes =
        "G00 X2 Y10\nG00 Z5\nG01 X8 F300\nG01 X15\nG01 Z4\nG01 X2\nG00 Z20\n";
    const struct {
        bool interactive, byHeight;
        int strips;
        std::vector<int> lines;
    } searches[] = {{true, false, 1, {4, 6}},
                    {true, true, 1, {6}},
                    {true, false, 3, {4, 6}},
                    {false, false, 1, {}}};
    for (const auto& c : searches) {
        Bench b;
        b.setup.interactive = c.interactive;
        b.setup.watchedNode = static_cast<long long>(test::At(b.work, 12, 10));
        b.setup.watchHeight = c.byHeight;
        b.setup.strips = c.strips;
        b.setup.watchedHeight = 5.0f;
        ASSERT_TRUE(b.Start(passes));
        std::vector<int> lines;
        while (b.Loop() == RunState::Paused && lines.size() < 10) {
            EXPECT_EQ(b.run.pause, StopReason::SearchHit);
            lines.push_back(b.run.interp.path.line);
            ResumeRun(b.run);
        }
        EXPECT_EQ(lines, c.lines) << c.interactive << c.byHeight << c.strips;
        EXPECT_EQ(HeightAt(b.work, 12, 10), 4.0f);
    }
}

TEST(RunControl, AbortKeepsTheCutAndRestoreReturnsToTheWorkBeforeTheRun) {
    const test::LanguageScope english(true);
    Bench b;
    // A first run leaves a slot: the state the second run starts from.
    ASSERT_TRUE(b.Start("G01 Z8 F200\nX15\n"));
    EXPECT_EQ(b.Loop(), RunState::Finished);
    b.End();
    const std::vector<float> heights(b.work.height, b.work.height + b.work.cellCount);
    const std::vector<std::uint8_t> attrs(b.work.attr, b.work.attr + b.work.cellCount);

    b.run = CuttingRun{};
    b.setup.checks.rapid = 1;
    ASSERT_TRUE(b.Start("G00 X5 Y5\nG01 Z7 F300\nX15\nG00 Z4\nG01 X18\n"));
    EXPECT_EQ(b.Loop(), RunState::Aborted);
    EXPECT_EQ(b.run.alarmCode, kAlarmRapid);
    EXPECT_EQ(b.run.alarmLine, 4);
    // Everything up to and with the offending motion is cut; the next one is not.
    EXPECT_EQ(HeightAt(b.work, 15, 5), 4.0f);
    EXPECT_EQ(HeightAt(b.work, 10, 5), 7.0f);
    EXPECT_EQ(HeightAt(b.work, 18.5, 5), kTop);
    b.End();
    EXPECT_TRUE(b.host.messages.empty());
    const std::string log = TempDir::Read(b.dir.Path("morvex.log"));
    EXPECT_NE(log.find("(4) - The tool was dameged. (G00 interference)\n"), std::string::npos)
        << log;

    Point origin{}, position{};
    ASSERT_TRUE(Restore(b.work, origin, position));
    EXPECT_EQ(0, std::memcmp(b.work.height, heights.data(), heights.size() * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(b.work.attr, attrs.data(), attrs.size()));
}

TEST(RunControl, HolderContactByArborMode) {
    // The flat plunges 7 mm; its holder, 5 mm above the tip and 10 mm in
    // radius, meets the top 2 mm of the material around the flute.
    const struct {
        int mode;
        RunState end;
        int alarm;
        float ring;  // height 5 mm from the axis
    } cases[] = {
        {0, RunState::Finished, 0, kTop},  // holder ignored
        {2, RunState::Finished, 0, 8.0f},  // cut through with the holder shape
        {3, RunState::Aborted, kAlarmArbor, 8.0f},
        {4, RunState::Paused, 0, 8.0f},
    };
    for (const auto& c : cases) {
        Bench b;
        b.WithHolder();
        b.setup.checks.arbor = c.mode;
        ASSERT_TRUE(b.Start("G01 Z3 F100\nG00 Z20\n"));
        EXPECT_EQ(b.Loop(), c.end) << c.mode;
        EXPECT_EQ(b.run.alarmCode, c.alarm) << c.mode;
        EXPECT_EQ(HeightAt(b.work, 10, 10), 3.0f) << c.mode;
        EXPECT_EQ(HeightAt(b.work, 15, 10), c.ring) << c.mode;
        if (c.mode == 4) {
            EXPECT_EQ(b.run.pause, StopReason::Check);
            EXPECT_NE(b.List().find("\nARBOR\n1:G01 Z3 F100\n"), std::string::npos) << b.List();
            ResumeRun(b.run);
            EXPECT_EQ(b.Loop(), RunState::Finished);
        }
        if (c.mode != 2) continue;
        // Holder contact is only painted, node by node; the flute's cut is not.
        EXPECT_FALSE(PaintedAt(b.work, 10, 10));
        EXPECT_EQ(HeightAt(b.work, 11.5, 10), 3.0f);
        EXPECT_FALSE(PaintedAt(b.work, 11.5, 10));
        for (const auto& [x, y] : {std::pair{12.5, 10.0}, {10.0, 0.5}, {3.5, 3.5}}) {
            EXPECT_EQ(HeightAt(b.work, x, y), 8.0f) << x << "," << y;
            EXPECT_TRUE(PaintedAt(b.work, x, y)) << x << "," << y;
        }
        EXPECT_EQ(HeightAt(b.work, 0, 0), kTop);
        EXPECT_FALSE(PaintedAt(b.work, 0, 0));
    }
}

// The window redraws only the nodes each motion reports: every node a
// motion lowered or painted (holder paint under arbor check 1, rapid marks)
// lies inside them, with and without a work offset, on lines and arcs.
TEST(RunControl, AfterMotionReportsEveryChangedNode) {
    for (const int arbor : {0, 1}) {
        for (const bool offset : {false, true}) {
            Bench b;
            if (arbor == 1) b.WithHolder();  // its reach covers most of this small work
            b.setup.checks.arbor = arbor;
            b.setup.checks.rapid = 2;
            if (offset) b.ctl.work[1] = WorkCoordinate{3.0f, -2.0f, 0.0f};
            std::vector<float> heights(b.work.height, b.work.height + b.work.cellCount);
            std::vector<std::uint8_t> attrs(b.work.attr, b.work.attr + b.work.cellCount);
            int calls = 0, changedCalls = 0, outside = 0, wrongFlag = 0;
            long long reported = 0;
            b.setup.afterMotion = [&](const CuttingRun&, const ChangedNodes& n) {
                ++calls;
                bool any = false;
                for (int iy = 0; iy < b.work.ny; ++iy) {
                    for (int ix = 0; ix < b.work.nx; ++ix) {
                        const std::size_t i = NodeIndex(b.work, ix, iy);
                        if (b.work.height[i] == heights[i] && b.work.attr[i] == attrs[i]) continue;
                        any = true;
                        outside += ix < n.ix0 || ix > n.ix1 || iy < n.iy0 || iy > n.iy1;
                        heights[i] = b.work.height[i];
                        attrs[i] = b.work.attr[i];
                    }
                }
                wrongFlag += any && !n.changed;
                changedCalls += n.changed;
                if (n.ix1 >= n.ix0) reported += static_cast<long long>(n.ix1 - n.ix0 + 1) * (n.iy1 - n.iy0 + 1);
            };
            ASSERT_TRUE(b.Start(std::string(offset ? "G54\n" : "") +
                                "G00 X4 Y4 Z12\nG01 Z7 F100\nG01 X12\nG02 X12 Y12 R4\nG00 Z20\n"
                                "G00 X1 Y1\nG00 Z9.5\nG00 Z20\n"));
            b.RunThrough();
            const std::string where = "arbor " + std::to_string(arbor) + (offset ? " offset" : "");
            EXPECT_EQ(b.run.state, RunState::Finished) << where;
            EXPECT_GE(calls, 8) << where;
            EXPECT_EQ(outside, 0) << where;
            EXPECT_EQ(wrongFlag, 0) << where;
            // The plunge, the line, the arc and the rapid into the stock change the work; the air rapids do not.
            EXPECT_EQ(changedCalls, 4) << where;
            // The bare 4 mm flat: far fewer nodes than a whole-grid redraw per motion.
            if (arbor == 0) {
                EXPECT_LT(reported, static_cast<long long>(calls) * b.work.cellCount / 3) << where;
            }
        }
    }
    // SYNC DISPLAY: the displaying modes redraw the whole work every n-th
    // motion (9 loop turns: 8 motions and the end) besides their own
    // redraws; the result mode never.
    auto redraws = [](int mode, int every) {
        Bench b;
        b.setup.runMode = mode;
        b.setup.displayEvery = every;
        EXPECT_TRUE(b.Start("G00 X4 Y4 Z12\nG01 Z7 F100\nG01 X12\nG01 Y12\nG00 Z20\nG00 X1 Y1\nG00 Z9.5\nG00 Z20\n"));
        b.RunThrough();
        EXPECT_EQ(b.run.state, RunState::Finished);
        return b.host.redraws;
    };
    EXPECT_EQ(redraws(kRunReal, 3) - redraws(kRunReal, 0), 3);
    EXPECT_EQ(redraws(kRunSkip, 4) - redraws(kRunSkip, 0), 2);
    EXPECT_EQ(redraws(kRunResult, 1) - redraws(kRunResult, 0), 0);
}

// A wait M-code writes its file and waits until it is deleted; a pause found
// at that block comes once the wait is over.
TEST(RunControl, WaitCodeWaitsUntilItsFileIsDeleted) {
    Bench b;
    b.setup.checks.rapid = 2;
    const std::string flag = b.dir.Path("wait.flag");
    b.ctl.waitCodes.push_back(WaitCode{50, "wait.flag", flag});  // the run uses the resolved path
    ASSERT_TRUE(b.Start("G00 X15 Y15\nG00 Z8 M50\nG00 Z20\nM51\n"));
    EXPECT_EQ(b.Loop(), RunState::Waiting);
    EXPECT_EQ(b.run.motions, 2);
    ASSERT_TRUE(std::filesystem::exists(flag));
    EXPECT_EQ(std::filesystem::file_size(flag), 0u);
    EXPECT_FALSE(WaitEnded(b.run));
    EXPECT_EQ(b.run.state, RunState::Waiting);
    std::filesystem::remove(flag);
    EXPECT_TRUE(WaitEnded(b.run));
    EXPECT_EQ(b.Loop(), RunState::Paused);
    EXPECT_EQ(std::tuple(b.run.pause, b.run.interp.path.line), std::tuple(StopReason::Check, 2));
    ResumeRun(b.run);
    EXPECT_EQ(b.Loop(), RunState::Finished);
    EXPECT_EQ(b.run.motions, 4);
    EXPECT_FALSE(std::filesystem::exists(flag));
}

// A lock-step group: a step before every motion and one at the end, the
// group's pause and stop, a local pause handed to the group, the position
// told after every motion, and a wait that ends by the group's word.
TEST(RunControl, GroupStepsAndPublishedPositions) {
    const std::string program = "G00 X15 Y15\nG00 Z8 M50\nG00 Z20\n";
    struct Case {
        int pauseAt, stopAt;  // the step (1-based) answered Paused / Stop, 0 none
        RunState end;
        int steps, motions;
    };
    for (const Case& c : {Case{0, 0, RunState::Finished, 5, 3}, Case{2, 0, RunState::Finished, 6, 3},
                          Case{0, 3, RunState::Aborted, 3, 2}, Case{0, 5, RunState::Aborted, 5, 3}}) {
        Bench b;
        int steps = 0, stops = 0;
        b.setup.stopGroup = [&] { ++stops; };
        std::vector<int> finishedSteps;
        std::vector<int> told;
        b.setup.groupStep = [&](const CuttingRun& run) {
            ++steps;
            if (run.state == RunState::Finished) finishedSteps.push_back(steps);
            if (steps == c.pauseAt) return GroupStep::Paused;
            if (steps == c.stopAt) return GroupStep::Stop;
            return GroupStep::GoOn;
        };
        b.setup.publish = [&](const CuttingRun& run) {
            told.push_back(run.state == RunState::Finished ? -1 : run.interp.path.line);
        };
        ASSERT_TRUE(b.Start(program));
        RunState state = b.Loop();
        if (c.pauseAt != 0) {
            EXPECT_EQ(state, RunState::Paused);
            EXPECT_EQ(b.run.pause, StopReason::Group);
            EXPECT_EQ(b.run.motions, c.pauseAt - 1);
            ResumeRun(b.run);
            state = b.Loop();
        }
        EXPECT_EQ(state, c.end) << c.pauseAt << c.stopAt;
        EXPECT_EQ(steps, c.steps) << c.pauseAt << c.stopAt;
        EXPECT_EQ(b.run.motions, c.motions) << c.pauseAt << c.stopAt;
        EXPECT_EQ(stops, c.end == RunState::Aborted ? 1 : 0);  // an early end stops the others
        if (c.end == RunState::Finished) {
            EXPECT_EQ(finishedSteps, std::vector<int>{c.steps});  // the last step is the end's
            EXPECT_EQ(told, (std::vector<int>{1, 2, 3, -1}));
        }
    }
    // The stop key of an interactive member asks the group to pause; the
    // run pauses only when the group does, showing why.
    {
        Bench b;
        b.setup.interactive = true;
        int asked = 0;
        b.setup.pauseGroup = [&] { ++asked; };
        b.setup.groupStep = [&](const CuttingRun&) { return asked > 0 ? GroupStep::Paused : GroupStep::GoOn; };
        b.host.keysDown.insert(b.setup.stopKey);
        ASSERT_TRUE(b.Start(program));
        EXPECT_EQ(b.Loop(), RunState::Paused);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(b.run.pause, StopReason::StopKey);
        EXPECT_EQ(b.run.motions, 0);
    }
    // With the group's word for the wait, the wait file is not looked at.
    {
        Bench b;
        const std::string flag = b.dir.Path("group.flag");
        b.ctl.waitCodes.push_back(WaitCode{50, "group.flag", flag});
        bool over = false;
        b.setup.waitOver = [&] { return over; };
        ASSERT_TRUE(b.Start(program));
        EXPECT_EQ(b.Loop(), RunState::Waiting);
        EXPECT_FALSE(WaitEnded(b.run));
        std::filesystem::remove(flag);
        EXPECT_FALSE(WaitEnded(b.run));
        over = true;
        EXPECT_TRUE(WaitEnded(b.run));
        EXPECT_EQ(b.Loop(), RunState::Finished);
    }
}

// Motions that must not cut: no travel, travel below the controller's
// position tolerance (probed on both sides), rapids under IGNORE G00.
TEST(RunControl, MotionsThatCutNothing) {
    const struct {
        const char* program;
        double tolerance;
        bool ignoreRapids;
        RunState state;
        bool cuts;
    } cases[] = {
        {"G01 X10 Y10 Z5 F100\nS1000 M03\n", 0.0005, false, RunState::Finished, false},
        {"G01 X10.0004 F100\n", 0.0005, false, RunState::Finished, false},
        {"G01 X10.0006 F100\n", 0.0005, false, RunState::Finished, true},
        {"G01 X10.0004 F100\n", 0.00005, false, RunState::Finished, true},
        // The tip comes down into the stock at rapid: the rapid check aborts
        // unless rapids are ignored for cutting.
        {"G00 Z2\nX15\nG01 X16 F100\n", 0.0005, false, RunState::Aborted, true},
        {"G00 Z2\nX15\n", 0.0005, true, RunState::Finished, false},
        {"G00 Z2\nX15\nG01 X16 F100\n", 0.0005, true, RunState::Finished, true},
    };
    for (const auto& c : cases) {
        Bench b;
        b.setup.start = {10, 10, 5};  // the tip stands in the material
        b.setup.checks.rapid = 1;
        b.setup.ignoreRapids = c.ignoreRapids;
        b.ctl.positionTolerance = c.tolerance;
        ASSERT_TRUE(b.Start(c.program));
        EXPECT_EQ(b.Loop(), c.state) << c.program;
        EXPECT_EQ(b.Lowered() > 0, c.cuts) << c.program << " " << c.tolerance;
        EXPECT_EQ(b.work.workState, c.cuts ? 2 : 1) << c.program;
    }
}

// A retract straight up out of a pocket cuts nothing with the cutter's own
// profile, so an unattended run passes it without a sweep; with a rapid
// clearance its wider profile touches the pocket's wall, and the rapid
// check must still stop the run there, on one thread or with workers.
TEST(RunControl, RetractTouchingWithinTheRapidClearanceStillStops) {
    for (const int strips : {1, 2}) {
        for (const double clearance : {0.0, 1.0}) {
            Bench b;
            b.setup.strips = strips;
            b.setup.checks.rapid = 1;
            b.setup.toolClearance = clearance;
            ASSERT_TRUE(b.Start("G01 Z5 F100\nX12\nG00 Z20\nX30\n"));
            const bool wall = clearance > 0.0;
            EXPECT_EQ(b.Loop(), wall ? RunState::Aborted : RunState::Finished) << strips;
            EXPECT_EQ(b.run.alarmCode, wall ? kAlarmRapid : 0) << strips;
            EXPECT_EQ(b.run.alarmLine, wall ? 3 : 0) << strips;
            EXPECT_EQ(b.run.motions, wall ? 3 : 4) << strips;
        }
    }
}

struct RunResult {
    std::vector<float> height;
    std::vector<std::uint8_t> attr;
    std::vector<std::int32_t> line;
    std::vector<int> pausedAt;
    std::string list;
};

// Ramps, a plunge, a helix, a level line and a level arc with an 8 mm flat
// (every motion but the last two stepped) or ball (ramps, line and arc swept
// whole), then two ramps with the other tool: node boxes wide enough to be
// split over the strips (and, unattended, motions swept in batches that
// must end at the tool change).
RunResult RunWithStrips(int strips, int lengthCheck, bool ball = false) {
    Bench b;
    b.tools.tools[1] = Flat(8.0f, "FLAT8");
    b.tools.tools[2] = Flat(6.0f, "FLAT6");
    ToolDef& other = b.tools.tools[ball ? 1 : 2];
    other.shape = kShapeBall;
    other.r = other.d / 2;
    b.tools.tools[1].h = 1.5f;  // a short flute: inclined cuts into fresh material go over it
    b.setup.strips = strips;
    b.setup.movingPitch = 0.5;
    b.setup.checks.length = lengthCheck;
    b.setup.start = {4, 4, 15};
    EXPECT_TRUE(
        b.Start("G01 Z6 F300\nX16 Y8 Z3\nY16 Z5\nX4 Y12 Z2\n"
                "G03 X10 Y18 I6 J0 Z4\nG01 X17 Y3 Z1\nX5\nG02 X11 Y3 I3 J0\nT2\nX4 Y10 Z1.5\nX16 Z0.5\nG00 Z15\n"));
    EXPECT_EQ(b.run.workers.workers.size(), static_cast<std::size_t>(strips - 1));
    RunResult r;
    r.pausedAt = b.RunThrough();
    EXPECT_EQ(b.run.state, RunState::Finished);
    b.End();
    r.height.assign(b.work.height, b.work.height + b.work.cellCount);
    r.attr.assign(b.work.attr, b.work.attr + b.work.cellCount);
    r.line.assign(b.work.lineNo, b.work.lineNo + b.work.cellCount);
    r.list = b.List();
    return r;
}

TEST(RunControl, WorkerStripsCutBitForBitLikeOneThread) {
    for (const bool ball : {false, true}) {
        const RunResult one = RunWithStrips(1, 0, ball);
        for (const int strips : {2, 3}) {
            const RunResult many = RunWithStrips(strips, 0, ball);
            ASSERT_EQ(one.height.size(), many.height.size());
            EXPECT_EQ(0, std::memcmp(one.height.data(), many.height.data(), one.height.size() * sizeof(float)))
                << ball << strips;
            EXPECT_EQ(one.attr, many.attr) << ball << strips;
            EXPECT_EQ(one.line, many.line) << ball << strips;
        }
        int lowered = 0, directed = 0;
        for (std::size_t i = 0; i < one.height.size(); ++i) {
            lowered += one.height[i] < kTop;
            directed += (one.attr[i] & kAttrDirMask) != 0;
        }
        EXPECT_GT(lowered, 300);
        if (!ball) {
            EXPECT_GT(directed, 300);  // stepped cuts record their direction
        }
    }
    const RunResult one = RunWithStrips(1, 0);

    // With over-length pauses: the same heights, marks, pauses and list.
    const RunResult onePaused = RunWithStrips(1, 3);
    const RunResult threePaused = RunWithStrips(3, 3);
    EXPECT_EQ(0, std::memcmp(one.height.data(), threePaused.height.data(),
                             one.height.size() * sizeof(float)));
    EXPECT_EQ(onePaused.line, threePaused.line);
    EXPECT_EQ(onePaused.attr, threePaused.attr);  // the over-length marks too
    EXPECT_FALSE(onePaused.pausedAt.empty());
    EXPECT_EQ(onePaused.pausedAt, threePaused.pausedAt);
    EXPECT_EQ(onePaused.list, threePaused.list);
}

// What a step observer heard of a run: every step, and the clearance it
// read over a fixed path at every 25th step.
struct Observed {
    std::vector<RunStep> steps;
    std::vector<double> clearance;
    bool toldLate = false;  // a step was told after a later motion was fetched
    std::vector<long long> toldAt;  // the motions fetched when each step was told
    std::vector<float> height;
    // What the run said of each motion's first step before it was told,
    // against the step then heard: said to go through air, and did; said
    // to go through air, and did not, or ended elsewhere.
    int airSaid = 0, airWrong = 0;
};

// A zig-zag of 150 short ramps between the cuts of RunWithStrips, so that
// groups of deferred motions close in the middle, and a tool change; with
// `rapidCheck` its retracts go under the rapid check (which sweeps them on
// their own unless the run knows they cut nothing), with `pumped` the events
// are handed over before every motion.
Observed ObserveRun(int strips, bool perMotion, bool ball, bool rapidCheck = false, bool pumped = false) {
    Bench b;
    b.tools.tools[1] = Flat(8.0f, "FLAT8");
    b.tools.tools[2] = Flat(6.0f, "FLAT6");
    if (ball) {
        b.tools.tools[1].shape = kShapeBall;
        b.tools.tools[1].r = 4.0f;
    }
    b.setup.strips = strips;
    b.setup.movingPitch = 0.5;
    b.setup.start = {4, 4, 15};
    if (rapidCheck) b.setup.checks.rapid = 1;
    if (pumped) b.setup.pumpInterval = std::chrono::milliseconds(0);
    Observed seen;
    // A hook after every motion makes the run tell every step at once.
    if (perMotion) b.setup.afterMotion = [](const CuttingRun&, const ChangedNodes&) {};
    bool hinted = false, air = false;
    Point airEnd{};
    b.setup.observeMotion = [&](const CuttingRun& run) {
        hinted = true;
        air = run.firstStepAir;
        airEnd = run.firstStepEnd;
    };
    b.setup.observeStep = [&](const CuttingRun& run, const RunStep& step) {
        if (hinted) {
            seen.airSaid += air && !step.cut && step.end == airEnd;
            seen.airWrong += air && (step.cut || step.end != airEnd);
            hinted = false;
        }
        seen.steps.push_back(step);
        seen.toldAt.push_back(run.motions);
        seen.toldLate = seen.toldLate || run.motions > step.motion + 1;
        if (seen.steps.size() % 25 == 0) {
            seen.clearance.push_back(ClearanceHeight(run, b.work, {2.0, 3.0, 0.0}, {17.0, 15.0, 0.0}, 0.5));
        }
    };
    std::string program = "G01 Z6 F300\nX16 Y8 Z3\nY16 Z5\nX4 Y12 Z2\nG03 X10 Y18 I6 J0 Z4\n";
    for (int i = 0; i < 150; ++i) {
        program += "G01 X" + std::to_string(i % 2 == 0 ? 15 : 5) + " Y" + std::to_string(4.0 + 0.08 * i) + " Z" +
                   std::to_string(3.0 - 0.01 * i) + "\n";
    }
    program += "G00 Z12\nX17 Y3\nG01 Z1\nX5\nG02 X11 Y3 I3 J0\nT2\nX4 Y10 Z1.5\nX16 Z0.5\nG00 Z15\nM30\n";
    EXPECT_TRUE(b.Start(program));
    b.RunThrough();
    EXPECT_EQ(b.run.state, RunState::Finished);
    EXPECT_TRUE(b.run.deferred.empty());
    seen.height.assign(b.work.height, b.work.height + b.work.cellCount);
    return seen;
}

// An unattended observed run sweeps its motions in batches and tells their
// steps later: the observer hears the very steps, loads and classes it
// hears when every motion is told at once, with one thread or several, and
// what it reads of the work is the same whatever the threads.
TEST(RunControl, DeferredStepsAreTheStepsToldAtOnce) {
    for (const bool ball : {false, true}) {
        const Observed atOnce = ObserveRun(1, true, ball);
        const Observed deferred = ObserveRun(1, false, ball);
        const Observed threaded = ObserveRun(3, false, ball);
        const Observed checked = ObserveRun(1, false, ball, true);
        const Observed pumped = ObserveRun(1, false, ball, true, true);
        EXPECT_FALSE(atOnce.toldLate);
        EXPECT_TRUE(deferred.toldLate);
        EXPECT_TRUE(threaded.toldLate);
        EXPECT_EQ(0, std::memcmp(atOnce.height.data(), threaded.height.data(), atOnce.height.size() * sizeof(float)));
        ASSERT_EQ(atOnce.steps.size(), deferred.steps.size()) << ball;
        ASSERT_EQ(atOnce.steps.size(), threaded.steps.size()) << ball;
        ASSERT_EQ(atOnce.steps.size(), pumped.steps.size()) << ball;
        EXPECT_GT(atOnce.steps.size(), 300u);
        int cut = 0;
        for (std::size_t i = 0; i < atOnce.steps.size(); ++i) {
            const RunStep& a = atOnce.steps[i];
            for (const RunStep* other : {&deferred.steps[i], &threaded.steps[i], &pumped.steps[i]}) {
                const RunStep& d = *other;
                EXPECT_TRUE(a.cut == d.cut && a.blockEnd == d.blockEnd && a.type == d.type && a.line == d.line &&
                            a.motion == d.motion && a.end == d.end && a.centre == d.centre && a.feed == d.feed &&
                            a.cutClass == d.cutClass && a.highestCut == d.highestCut)
                    << "step " << i << " ball " << ball;
                // One thread sums every load in the same order; bands of
                // rows sum them in parts.
                const double tolerance = other != &threaded.steps[i] ? 0.0 : 1e-9 * (1.0 + a.volumeLoad);
                EXPECT_NEAR(a.volumeLoad, d.volumeLoad, tolerance) << "step " << i;
            }
            cut += a.cut;
        }
        EXPECT_GT(cut, 100);

        EXPECT_EQ(deferred.clearance, threaded.clearance) << ball;
        // Nor do the event pumps of an unattended run change where its
        // groups are told, or what it reads.
        EXPECT_EQ(checked.toldAt, pumped.toldAt) << ball;
        EXPECT_EQ(checked.clearance, pumped.clearance) << ball;
        // Told later, a motion's first step is known when the observer
        // hears of the motion; told at once, it is never said to be air.
        for (const Observed* told : {&deferred, &threaded, &pumped}) {
            EXPECT_GT(told->airSaid, 3) << ball;
            EXPECT_EQ(told->airWrong, 0) << ball;
        }
        EXPECT_EQ(atOnce.airSaid + atOnce.airWrong, 0) << ball;
    }
}

// A ball's level lines are swept whole and told as one step each: the
// class is the side of the travel they cut on, told at once, deferred and
// on workers alike (the long line is told on its own). Beside a strip
// cleared deeper, line 22 cuts on its right, line 26 back along the same
// edge on its left; line 30 is a full slot.
TEST(RunControl, AMotionSweptWholeIsClassedByTheSideItCuts) {
    std::string program = "G00 X2 Y12 Z20\nG01 Z5 F300\n";
    for (int y = 12; y <= 19; ++y) program += "Y" + std::to_string(y) + "\nX" + (y % 2 == 0 ? "18" : "2") + "\n";
    // Between rows of nodes: a node on the line of travel would be general.
    program += "G00 Z20\nX2 Y10.25\nG01 Z8\nX16\nG00 Z20\nX12 Y10.25\nG01 Z7.5\nX5\nG00 Z20\nX2 Y4.25\nG01 Z8\n"
               "X9\nG00 Z20\nM30\n";
    for (const auto& [strips, atOnce] : {std::pair{1, true}, {1, false}, {3, false}}) {
        Bench b;
        b.tools.tools[1].shape = kShapeBall;
        b.tools.tools[1].r = 2.0f;
        b.setup.strips = strips;
        b.setup.movingPitch = 0.5;
        if (atOnce) b.setup.afterMotion = [](const CuttingRun&, const ChangedNodes&) {};
        std::map<int, std::set<int>> classes;  // by program line, of the steps that cut
        b.setup.observeStep = [&](const CuttingRun&, const RunStep& step) {
            if (step.cut) classes[step.line].insert(step.cutClass);
        };
        ASSERT_TRUE(b.Start(program));
        b.RunThrough();
        EXPECT_EQ(b.run.state, RunState::Finished);
        const int right = 22, left = 26, slot = 30;
        EXPECT_EQ(classes[right], std::set<int>{kStepClassDown}) << strips << atOnce;
        EXPECT_EQ(classes[left], std::set<int>{kStepClassUp}) << strips << atOnce;
        EXPECT_EQ(classes[slot], std::set<int>{kStepClassGeneral}) << strips << atOnce;
    }
}

// Interleaved bands (every count-th row) cover each row once, and the
// class folds of the bands merge into what one pass over the rows finds.
TEST(RunControl, InterleavedBandsCoverEveryRowAndFoldLikeOnePass) {
    for (const auto& [first, last] : {std::pair{0, 0}, {0, 1}, {3, 40}, {5, 11}}) {
        for (int count = 1; count <= 5; ++count) {
            std::vector<int> seen(static_cast<std::size_t>(last + 1), 0);
            for (int b = 0; b < count; ++b) {
                for (int iy = FirstBandRow(first, first + b, count); iy <= last; iy += count) ++seen[iy];
            }
            for (int iy = first; iy <= last; ++iy) EXPECT_EQ(seen[iy], 1) << first << ".." << last << " / " << count;
        }
        // A band starting below a box still starts on its own rows.
        EXPECT_EQ(FirstBandRow(first + 7, first + 1, 3), first + 7);
        EXPECT_EQ(FirstBandRow(first + 8, first + 1, 3), first + 10);
    }
    // Class sequences (some nodes without a class) split over 1..4 bands.
    unsigned state = 12345;
    for (int trial = 0; trial < 400; ++trial) {
        std::vector<int> classes;
        const int n = trial % 9;
        for (int i = 0; i < n; ++i) {
            state = state * 1103515245u + 12345u;
            const int pick = static_cast<int>((state >> 16) % 6);  // unknown twice as likely
            classes.push_back(pick >= 4 ? kStepClassUnknown : pick);
            if (trial % 3 == 0 && i > 0) classes.back() = classes.front();  // one class throughout
        }
        int expected = kStepClassUnknown;
        for (const int c : classes) sweep_detail::NoteClass(expected, c);
        for (int count = 1; count <= 4; ++count) {
            ClassFold merged;
            for (int b = 0; b < count; ++b) {
                ClassFold band;
                for (int i = b; i < n; i += count) sweep_detail::NoteClassAt(band, classes[static_cast<std::size_t>(i)], i);
                MergeClassFold(merged, band);
            }
            EXPECT_EQ(ResolveClass(merged), expected) << "trial " << trial << " bands " << count;
        }
    }
}

TEST(RunControl, VerticalToolDeadZoneOnlyWhenTheTipIsNarrower) {
    const std::string plunge = "G01 Z5 F100\nG00 Z20\n";
    const struct {
        float tipWidth;
        const char* program;
        RunState end;
    } cases[] = {
        {2.0f, plunge.c_str(), RunState::Finished},  // tip as wide as the radius: no dead zone
        {1.0f, plunge.c_str(), RunState::Aborted},  // a dead zone 1 mm round the axis
        {1.0f, "G00 X-5\nG00 Z5\nG01 X25 F100\n", RunState::Finished},  // horizontal: swept whole
    };
    for (const auto& c : cases) {
        Bench b;
        b.Vertical(c.tipWidth);
        b.setup.checks.chip = 2;
        ASSERT_TRUE(b.Start(c.program));
        EXPECT_EQ(b.Loop(), c.end) << c.program << c.tipWidth;
        if (c.end == RunState::Finished) {
            EXPECT_EQ(HeightAt(b.work, 10, 10), 5.0f) << c.program << c.tipWidth;
            EXPECT_EQ(b.Painted(), 0) << c.program << c.tipWidth;
            continue;
        }
        EXPECT_EQ(std::tuple(b.run.alarmCode, b.run.alarmLine), std::tuple(kAlarmOverChip, 1));
        EXPECT_TRUE(PaintedAt(b.work, 10.5, 10.5));
        EXPECT_FALSE(PaintedAt(b.work, 11.5, 10));  // 1.5 from the axis: cut by the tip, no neighbour
    }
    // Computing: the node under the axis needs the whole radius, 2 mm, reported as 3.
    Bench b;
    b.Vertical(1.0f);
    b.setup.checks.chip = 1;
    ASSERT_TRUE(b.Start(plunge));
    EXPECT_EQ(b.Loop(), RunState::Finished);
    b.End();
    EXPECT_EQ(TempDir::Read(b.dir.Path("chip-w.txt")), b.setup.ncPath + "\nT01:V4:TipW=   3.000\n");
}

TEST(RunControl, DeadZoneMarksSurviveTheStepThatSetThem) {
    // Every step of the plunge lowers all nodes within 2 mm; the dead zone
    // (under 1 mm) marks itself and its neighbours: the 5 x 5 nodes within
    // 1 mm in X and in Y, all lowered by the same steps.
    Bench b;
    b.Vertical(1.0f);
    b.setup.checks.chip = 3;
    ASSERT_TRUE(b.Start("G01 Z5 F100\n"));
    EXPECT_EQ(b.Loop(), RunState::Paused);
    EXPECT_EQ(b.Painted(), 25);
    for (const double dy : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
        for (const double dx : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
            EXPECT_TRUE(PaintedAt(b.work, 10 + dx, 10 + dy)) << dx << "," << dy;
        }
    }
}

TEST(RunControl, RequiredStickOutPerToolWithOneMillimetreAdded) {
    Bench b;
    b.WithHolder();
    ToolDef ball = Flat(6.0f, "BALL6");
    ball.shape = kShapeBall;
    ball.r = 3.0f;
    b.tools.tools[2] = ball;
    b.setup.checks.arbor = 1;
    b.setup.start = {-15, 10, 20};
    // At Z3 the holder, 5 mm above the tip, meets 7 mm of material; while
    // the stick-out is measured it cuts nothing and only marks.
    ASSERT_TRUE(b.Start("G00 Z3\nG01 X10 F100\nG00 Z20\nT2\nG00 X10 Y10\n"));
    EXPECT_EQ(b.Loop(), RunState::Finished);
    EXPECT_EQ(HeightAt(b.work, 5, 10), 3.0f);
    EXPECT_EQ(HeightAt(b.work, 5, 15), 10.0f);
    EXPECT_TRUE(PaintedAt(b.work, 5, 15));
    b.End();
    EXPECT_EQ(TempDir::Read(b.dir.Path("length.txt")),
              b.setup.ncPath + "\nT01:FLAT4:Length=   8.000\nT02:BALL6:ARBOR not defined \n");

    // At the bottom of a 10 mm plunge the material round the flute stands
    // 10 mm above the tip: the stick-out must be 10, reported as 11.
    Bench deep;
    deep.WithHolder();
    deep.setup.checks.arbor = 1;
    ASSERT_TRUE(deep.Start("G01 Z0 F100\nG00 Z20\n"));
    EXPECT_EQ(deep.Loop(), RunState::Finished);
    deep.End();
    EXPECT_EQ(TempDir::Read(deep.dir.Path("length.txt")), deep.setup.ncPath + "\nT01:FLAT4:Length=  11.000\n");
}

// The fast version records no cutting direction but still checks the load:
// a plunge of the 4 mm flat removes its whole cross-section (12.57 mm2) per
// millimetre, over a limit of 10 for every class.
TEST(RunControl, FastVersionChecksTheLoad) {
    for (const bool fast : {false, true}) {
        Bench b;
        b.tools.tools[1].limit.kind = 1;
        b.tools.tools[1].limit.value = {10.0f, 10.0f, 10.0f, 10.0f};
        b.setup.fast = fast;
        // The observer (the cut data) hears the step the load stopped as
        // one that does not end its block: the block's end was not reached.
        std::vector<RunStep> told;
        if (!fast) b.setup.observeStep = [&](const CuttingRun&, const RunStep& step) { told.push_back(step); };
        ASSERT_TRUE(b.Start("G01 Z5 F100\n"));
        EXPECT_EQ(b.Loop(), RunState::Aborted) << fast;
        EXPECT_EQ(b.run.alarmCode, kAlarmOverload) << fast;
        EXPECT_GT(HeightAt(b.work, 10, 10), 5.0f) << fast;  // stopped at the first step
        if (fast) continue;
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(told.back().cut);
        EXPECT_FALSE(told.back().blockEnd);
        EXPECT_GT(told.back().end[2], 5.0);
    }
}

// An undefined tool is reported under the number the program called.
TEST(RunControl, UndefinedToolLinesInTheReport) {
    Bench t;
    t.setup.checks.length = 1;
    ASSERT_TRUE(t.Start("T9\nG00 X5\nT9\nG00 X6\nT1\n"));
    EXPECT_EQ(t.Loop(), RunState::Finished);
    t.End();
    const std::string report = TempDir::Read(t.dir.Path("height.txt"));
    // Tool 1 until T9, tool 9 (not in the table) until T1, tool 1 to the end.
    EXPECT_EQ(report, t.setup.ncPath + "\nT01:FLAT4:Height=   1.000\nT09:" + std::string(Msg(MsgId::NoTool)) +
                          ":Height=   1.000\nT01:FLAT4:Height=   1.000\n");
}

// G00MODE UNKNOWN: a rapid whose route is not known (both L routes swept)
// only possibly met the material; a rapid along one axis certainly did.
TEST(RunControl, PossibleRapidInterferenceUnderUnknownRoutes) {
    for (const bool twoAxes : {true, false}) {
        Bench b;
        b.ctl.g00Mode = 9;
        b.setup.checks.rapid = 1;
        b.setup.start = {10, 10, 5};
        const test::LanguageScope english(true);
        ASSERT_TRUE(b.Start(twoAxes ? "G00 X15 Y15\n" : "G00 X15\n"));
        EXPECT_EQ(b.Loop(), RunState::Aborted);
        const std::string log = TempDir::Read(b.dir.Path("morvex.log"));
        const bool possible = log.find("or it's possible") != std::string::npos;
        EXPECT_EQ(possible, twoAxes) << log;
    }
}

// The path replayed for drawing moves what the run moves: rapids split by
// G00MODE and G83 pecking only in real machining, motion for motion.
TEST(RunControl, DrawnPathIsTheMovedPath) {
    const std::string program =
        "G90 G00 X2 Y5 Z15\nG98 G83 X5 Y5 R11 Z7 Q1 F100\nX15 Y12\nG80\nG92 X0 Y0\nG00 X8 Y-3 Z20\n";
    for (const int g00Mode : {0, 1, 2}) {
        for (const int runMode : {kRunReal, kRunResult}) {
            Bench b;
            b.ctl.g00Mode = g00Mode;
            b.setup.runMode = runMode;
            b.setup.ncPath = b.dir.Write("p.nc", program);
            const PathSource source = PathSourceOf(b.setup, b.ctl, &b.tools);
            std::vector<Point> moved, drawn;
            b.setup.afterMotion = [&](const CuttingRun& run, const ChangedNodes&) {
                Point q = run.interp.path.toolEnd;
                for (int a = 0; a < 3; ++a) q[a] += run.interp.workOffset[a];
                moved.push_back(q);
            };
            ASSERT_TRUE(StartRun(b.run, b.setup, b.work, b.ctl, b.tools));
            b.RunThrough();
            const std::string where = "G00MODE " + std::to_string(g00Mode) + " run mode " + std::to_string(runMode);
            EXPECT_EQ(b.run.state, RunState::Finished) << where;
            const int count = ReplayProgramPath(source, [&](const PathRecord& p, const Point& offset, int) {
                Point q = p.toolEnd;
                for (int a = 0; a < 3; ++a) q[a] += offset[a];
                drawn.push_back(q);
            });
            EXPECT_EQ(count, static_cast<int>(drawn.size())) << where;
            ASSERT_EQ(drawn.size(), moved.size()) << where;
            for (std::size_t i = 0; i < moved.size(); ++i) {
                for (int a = 0; a < 3; ++a) EXPECT_DOUBLE_EQ(drawn[i][a], moved[i][a]) << where << " motion " << i;
            }
            // Outside the cycle: the first and the last rapid and G80's standstill. A hole: position,
            // R level, feed, return; in real machining four pecks of Q1 with their retracts to R and
            // re-approaches to 1 mm above the depth reached (the first of them is at R already).
            const std::size_t lines = 3;
            const std::size_t holes = runMode == kRunResult ? 2 * 4 : 2 * (3 + 4 + 5);
            if (g00Mode == 0) {
                EXPECT_EQ(moved.size(), lines + holes) << where;
            } else {
                EXPECT_GT(moved.size(), lines + holes) << where;
            }
        }
    }
}

}  // namespace
}  // namespace morvex

namespace morvex {
namespace {

// The escape height of the optimised output: every node within the tool's
// reach of the straight path counts, in the run's frame.
TEST(RunControl, ClearanceCoversTheToolsReachOfThePath) {
    WorkModel w;
    PitchSettings pitch;
    pitch.workPitch = 0.5;
    ASSERT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, 20, 20, 10}, pitch, kDataLevelMinimal), DefineWorkStatus::Ok);
    w.height[NodeIndex(w, 20, 24)] = 15.0f;  // (10, 12): 2 mm beside the path y = 10
    CuttingRun run;
    run.frameOffset = {1.0, 2.0, 3.0};  // run frame = work - offset (Z: the tip plus the shift)
    run.tool.shift = 5.0;
    run.tool.R = 3.0;
    run.tool.outerRadius = 3.0;
    const Point from{2.0 - 1.0, 10.0 - 2.0, 0.0}, to{18.0 - 1.0, 10.0 - 2.0, 0.0};
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0), 15.0 + 3.0 + 5.0 - 3.0);
    EXPECT_DOUBLE_EQ(WorkTopInRunFrame(run, w), w.zMax + 5.0 - 3.0);
    // A slender tool passes beside the raised node: the block's top counts.
    run.tool.R = 1.0;
    run.tool.outerRadius = 1.0;
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0), 10.0 + 3.0 + 5.0 - 3.0);
    // A diagonal path past its corner, and a path wholly off the work.
    run.tool.R = run.tool.outerRadius = 3.0;
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, {-1.0, -2.0, 0.0}, {11.0 - 1.0, 14.0 - 2.0, 0.0}, 0.0), 15.0 + 5.0 - 3.0);
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, {100.0, 100.0, 0.0}, {120.0, 100.0, 0.0}, 0.0), w.zMin + 5.0 - 3.0);
    // A rapid that moves its axes each on its own may pass anywhere between
    // its ends: the raised node 5.7 mm off the diagonal counts then.
    const Point a{6.0 - 1.0, 0.0 - 2.0, 0.0}, b{18.0 - 1.0, 12.0 - 2.0, 0.0};
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, a, b, 0.0), 10.0 + 5.0 - 3.0);
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, a, b, 0.0, false), 15.0 + 5.0 - 3.0);
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, {100.0, 100.0, 0.0}, {120.0, 130.0, 0.0}, 0.0, false), w.zMin + 5.0 - 3.0);
    // Beside the work by less than the reach: its edge counts.
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, {22.0 - 1.0, 12.0 - 2.0, 0.0}, {30.0, 20.0, 0.0}, 0.0, false),
                     10.0 + 5.0 - 3.0);
    // Steps swept but not yet told cut material up to 17 near the path (in
    // the run frame, boxes with the tool's reach): it stood there while the
    // tool passed. One far off does not count.
    run.sweptUntold.push_back({{30.0, 30.0, 40.0, 40.0}, 19.0f});
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0), 15.0 + 3.0 + 5.0 - 3.0);
    run.sweptUntold.push_back({{17.0 + 3.5, 8.0 - 1.0, 25.0, 9.0}, 17.0f});  // the reach and a node beyond the end
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0), 17.0 + 3.0 + 5.0 - 3.0);
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0, false), 17.0 + 3.0 + 5.0 - 3.0);
    run.sweptUntold.back().box[0] = 17.0 + 3.6;  // beyond them
    EXPECT_DOUBLE_EQ(ClearanceHeight(run, w, from, to, 3.0), 15.0 + 3.0 + 5.0 - 3.0);
}

// A 20 x 20 work 10 high at a pitch of 0.5 and a flat end mill of 6 mm in a
// run whose frame is offset by (1, 2, 3), the tool having stood with its
// tip at 2 over (cx, cy) (work coordinates): every node within 3 mm is down to 2.
struct FlatOverBox {
    WorkModel w;
    CuttingRun run;
    ToolTable table;
    FlatOverBox(double cx, double cy) {
        PitchSettings pitch;
        pitch.workPitch = 0.5;
        EXPECT_EQ(DefineBoxWork(w, BoxRequest{0, 0, 0, 20, 20, 10}, pitch, kDataLevelMinimal), DefineWorkStatus::Ok);
        table.tools.resize(2);
        ToolDef& flat = table.tools[1];
        flat.defined = true;
        flat.shape = kShapeFlat;
        flat.d = 6.0f, flat.e = 3.0f, flat.h = 20.0f;
        SelectTool(table, 1, 0.0, 0.0, nullptr, run.tool);
        run.rapidTool = run.tool;
        run.frameOffset = {1.0, 2.0, 3.0};
        for (int iy = 0; iy <= w.lastY; ++iy) {
            for (int ix = 0; ix <= w.lastX; ++ix) {
                if (std::hypot(ix * 0.5 - cx, iy * 0.5 - cy) <= 3.0) w.height[NodeIndex(w, ix, iy)] = 2.0f;
            }
        }
    }
};

// The floor of a vertical rapid at the written position of a point the
// tool stood at: what the cutter cleared there never counts; a node the
// rounding of the position brings within its reach does, and so does one
// within a wider rapid profile's, as high as it stood before the steps
// swept but not yet told cut it.
TEST(RunControl, RapidFloorCountsWhatTheCutterDidNotClear) {
    // The tool stood at (9.9996, 10): (13, 10), 3.0004 away, still stands at 10.
    const double cx = 9.9996, cy = 10.0;
    FlatOverBox box(cx, cy);
    WorkModel& w = box.w;
    CuttingRun& run = box.run;
    ToolTable& table = box.table;
    const Point exact{cx - 1.0, cy - 2.0, -1.0};
    const double none = -std::numeric_limits<double>::infinity();
    const double wall = 10.0 + 0.01 - 3.0;
    EXPECT_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01), none);
    EXPECT_EQ(RapidFloor(run, w, exact, {cx - 1.0 - 0.0004, cy - 2.0, -1.0}, 1e-6, 0.01), none);  // away from it
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), wall);  // rounded onto it
    // A rapid profile 1 mm wider meets the stock all round.
    ToolProfile widened;
    SelectTool(table, 1, 1.0, 0.0, nullptr, widened);
    run.rapidTool = RapidCheckProfile(widened);
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01), wall);
    // Cut down to 2 by a step swept but not yet told (run frame box): it
    // stood at that step's highest cut when the rapid passes.
    run.rapidTool = run.tool;
    w.height[NodeIndex(w, 26, 20)] = 2.0f;
    const double low = 2.0 + 0.01 - 3.0;
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), low);
    run.sweptUntold.push_back({{13.0 - 1.0, 10.0 - 2.0, 14.0 - 1.0, 11.0 - 2.0}, 12.0f});
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), 12.0 + 0.01 - 3.0);
    // Whatever order the steps come in, and a height that is not a number
    // among them: the highest over the node counts.
    run.sweptUntold.insert(run.sweptUntold.begin(), {{12.0, 8.0, 13.0, 9.0}, std::nanf("")});
    run.sweptUntold.push_back({{12.0, 8.0, 13.0, 9.0}, 5.0f});
    run.sweptUntold.push_back({{30.0, 30.0, 31.0, 31.0}, 50.0f});  // far away
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), 12.0 + 0.01 - 3.0);
    run.sweptUntold.erase(run.sweptUntold.begin() + 1);  // the 12 gone: the 5 counts
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), 5.0 + 0.01 - 3.0);
    run.sweptUntold.clear();
    run.sweptUntold.push_back({{13.0 - 1.0, 10.0 - 2.0, 14.0 - 1.0, 11.0 - 2.0}, 12.0f});
    run.sweptUntold.front().box[0] = 13.1 - 1.0;  // its box beside the node
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, {10.0 - 1.0, cy - 2.0, -1.0}, 1e-6, 0.01), low);
    // The cut written off its place by 0.0006 may have left slivers at its
    // edge (the ring marked from 2.4994 to 3.0006 around it). Where the
    // written program's tool stands, they are cleared; where it only comes
    // down, they count as high as the stock beside them. Without marks the
    // run's own cut counts as cleared there too.
    run.sweptUntold.clear();
    CutEdgeMarks edges;
    EXPECT_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01, true, &edges, false), none);
    MarkWrittenCut(run, w, exact, exact, 0.0006, edges);
    EXPECT_TRUE(EdgeMarked(edges, 25, 20));   // (12.5, 10), 2.5004 away
    EXPECT_FALSE(EdgeMarked(edges, 24, 20));  // (12, 10), 2.0004 away
    EXPECT_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01, true, &edges, true), none);
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01, true, &edges, false), wall);
    // Beside the cut, a wider rapid profile meets the ring as high as it
    // stands, and a marked node as high as the stock beside it.
    run.rapidTool = RapidCheckProfile(widened);
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix <= w.lastX; ++ix) {
            if (std::hypot(ix * 0.5 - cx, iy * 0.5 - cy) > 3.0) w.height[NodeIndex(w, ix, iy)] = 9.0f;
        }
    }
    w.height[NodeIndex(w, 27, 20)] = 2.0f;  // (13.5, 10), in the ring, cut
    w.height[NodeIndex(w, 28, 21)] = 9.5f;  // (14, 10.5) beside it, beyond the profile's reach
    const double ring = 9.0 + 0.01 - 3.0;
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01), ring);
    CutEdgeMarks beside;
    MarkWrittenCut(run, w, {10.75 - 1.0, 10.0 - 2.0, 0.0}, {10.75 - 1.0, 10.0 - 2.0, 0.0}, 0.0006, beside);
    ASSERT_TRUE(EdgeMarked(beside, 27, 20));  // 2.75 from (10.75, 10): within a pitch inside its edge
    EXPECT_DOUBLE_EQ(RapidFloor(run, w, exact, exact, 1e-6, 0.01, true, &beside, true), 9.5 + 0.01 - 3.0);
}

// Slivers: nodes the cutter reached at an exact point and not at that
// point rounded as written count, within the rapid's reach of where it
// comes down, as high as the stock beside them; nothing else does.
TEST(RunControl, SliverFloorCountsWhatTheWrittenCutMissed) {
    // Cut down to 2 around (10.0004, 10): (13, 10) lies 2.9996 away, and
    // 3.0005 from (9.9995, 10), where the program writes the cut.
    const double cx = 10.0004, cy = 10.0;
    FlatOverBox box(cx, cy);
    WorkModel& w = box.w;
    CuttingRun& run = box.run;
    const auto frame = [](double x, double y) { return Point{x - 1.0, y - 2.0, -1.0}; };
    const Point cut = frame(cx, cy), written = frame(9.9995, cy);
    const double none = -std::numeric_limits<double>::infinity();
    const double stock = 10.0 + 0.01 - 3.0;
    // Coming down where it cut, or a little nearer the sliver: it counts.
    EXPECT_DOUBLE_EQ(SliverFloor(run, w, cut, written, frame(10.0, cy), 1e-6, 0.01), stock);
    EXPECT_DOUBLE_EQ(SliverFloor(run, w, cut, written, frame(10.001, cy), 1e-6, 0.01), stock);
    // Written where it was cut, or coming down out of reach: nothing.
    EXPECT_EQ(SliverFloor(run, w, cut, cut, frame(10.0, cy), 1e-6, 0.01), none);
    EXPECT_EQ(SliverFloor(run, w, cut, written, frame(9.5, cy), 1e-6, 0.01), none);
    // Written rounded the other way, away from (7, 10) and towards (13, 10):
    // the written cut reaches (13, 10), and (7, 10) the exact one never did.
    EXPECT_EQ(SliverFloor(run, w, cut, frame(10.001, cy), frame(10.0, cy), 1e-6, 0.01), none);
    // The stock beside it 5 high, but cut so by a step swept but not yet
    // told (run frame box): it stood at that step's highest cut, 12.
    for (int iy = 0; iy <= w.lastY; ++iy) {
        for (int ix = 0; ix <= w.lastX; ++ix) {
            float& h = w.height[NodeIndex(w, ix, iy)];
            if (h > 5.0f) h = 5.0f;
        }
    }
    EXPECT_DOUBLE_EQ(SliverFloor(run, w, cut, written, frame(10.0, cy), 1e-6, 0.01), 5.0 + 0.01 - 3.0);
    run.sweptUntold.push_back({{13.5 - 1.0, 9.5 - 2.0, 13.5 - 1.0, 10.5 - 2.0}, 12.0f});
    EXPECT_DOUBLE_EQ(SliverFloor(run, w, cut, written, frame(10.0, cy), 1e-6, 0.01), 12.0 + 0.01 - 3.0);
}

}  // namespace
}  // namespace morvex

namespace morvex {
namespace {

// The looping sounds a run asks for, in order (-1 a stop).
class LoopListener final : public Host {
public:
    std::vector<int> loops;
    int singles = 0;
    MessageAnswer ShowMessage(const MessageRequest&) override { return MessageAnswer::Ok; }
    bool IsKeyDown(int) override { return false; }
    void PumpMessages() override {}
    void RequestRedraw() override {}
    void PlaySound(int) override { ++singles; }
    void LoopSound(int slot) override { loops.push_back(slot); }
    bool OpenWithViewer(const std::string&) override { return true; }
    bool StartProgram(const std::string&, const std::vector<std::string>&) override { return true; }
    bool IsUnattended() const override { return false; }
};

TEST(RunControl, CuttingAndIdleSoundsLoopPerMotionAndFallSilentWhenTheRunStops) {
    // Idle above the work, two cutting motions, idle again, a stop, idle, the end.
    const std::string program = "G00 X15 Y15\nG01 Z5 F300\nX16\nG00 Z20\nM00\nX18\n";
    const struct {
        int runMode;
        bool sound;
        std::vector<int> loops;
    } cases[] = {
        {kRunReal, true, {0, 1, 0, -1, 0, -1}},
        {kRunSkip, true, {0, 1, 0, -1, 0, -1}},
        {kRunResult, true, {}},  // the result display cuts silently
        {kRunSkip, false, {}},
    };
    for (const auto& c : cases) {
        test::Bench b;
        b.setup.runMode = c.runMode;
        b.setup.sound = c.sound;
        b.setup.stopMode = kStopM00;
        ASSERT_TRUE(b.Start(program));
        LoopListener host;
        EXPECT_EQ(RunLoop(b.run, b.work, b.ctl, b.tools, host), RunState::Paused);
        ResumeRun(b.run);
        EXPECT_EQ(RunLoop(b.run, b.work, b.ctl, b.tools, host), RunState::Finished);
        EXPECT_EQ(host.loops, c.loops) << c.runMode << " " << c.sound;
        EXPECT_EQ(host.singles, 0);
    }
}

}  // namespace
}  // namespace morvex
