// Blocks that become several motions, through NextMotion: rapids split by the
// G00 mode, canned-cycle holes, and splines collected over several blocks.
#include "nc/motion_expansion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/nc_run.h"

namespace morvex {
namespace {

using Expanded = test::Interpreted;

Expanded Interpret(const std::string& program, ControllerDef& ctl, InterpreterSetup setup = {}) {
    Expanded run = test::Interpret(program, ctl, test::WithSetup(setup));
    EXPECT_EQ(run.error, kNcNoError);
    return run;
}

ControllerDef Metric() {
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    return ctl;
}

void ExpectEnds(const Expanded& r, const std::vector<std::pair<int, Point>>& want, const std::string& what) {
    ASSERT_EQ(r.motions.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(r.motions[i].type, want[i].first) << what << " motion " << i;
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(r.motions[i].end[a], want[i].second[a], 1e-9) << what << " " << i;
        if (i > 0) {
            EXPECT_EQ(r.motions[i].start, r.motions[i - 1].end) << what << " chained " << i;
        }
    }
}

// The pieces themselves are the rapid splitter's; here, when they are used.
TEST(MotionExpansion, RapidsSplitByG00ModeExceptInChecksAndFastRuns) {
    ControllerDef ctl = Metric();
    ctl.g00Mode = 1;  // ASYNC1
    const std::string program = "G00 X10 Y20 Z5\n";
    InterpreterSetup check, fast;
    check.checkOnly = true;
    fast.runMode = 4;
    EXPECT_EQ(Interpret(program, ctl).motions.size(), 3u);
    ExpectEnds(Interpret(program, ctl, check), {{kRapid, {10, 20, 5}}}, "check run");
    EXPECT_EQ(Interpret(program, ctl, fast).motions.size(), 3u);
    ctl.g00PathLine = true;  // G00PATH LINE: straight in the fast runs only
    ExpectEnds(Interpret(program, ctl, fast), {{kRapid, {10, 20, 5}}}, "G00PATH LINE, fast run");
    ExpectEnds(Interpret(program, ctl), {{kRapid, {5, 5, 5}}, {kRapid, {10, 10, 5}}, {kRapid, {10, 20, 5}}},
               "G00PATH LINE, normal run");

    // Under UNKNOWN the work-model check may clear the area: the rapid then
    // goes through the one corner it gives; otherwise both L routes.
    ctl.g00Mode = 9;
    ctl.g00PathLine = false;
    EXPECT_EQ(Interpret(program, ctl).motions.size(), 6u);
    InterpreterSetup setup;
    setup.rapidCorner = [](const Point& start, const Point& end) -> std::optional<Point> {
        return Point{start[0], end[1], end[2]};
    };
    ExpectEnds(Interpret(program, ctl, setup), {{kRapid, {0, 0, 5}}, {kRapid, {0, 20, 5}}, {kRapid, {10, 20, 5}}},
               "through the corner");
    setup.runMode = 4;  // the fast runs make no check
    EXPECT_EQ(Interpret(program, ctl, setup).motions.size(), 6u);
}

TEST(MotionExpansion, CycleHolesAndK0) {
    {
        // A local shift moves the point the next hole starts from.
        ControllerDef ctl = Metric();
        const Expanded r = Interpret("G00 X10 Y10 Z10\nG52 X5\nG81 X20 Y20 Z-5 R1\n", ctl);
        ASSERT_GE(r.motions.size(), 3u);
        EXPECT_EQ(r.motions[2].start, (Point{5, 10, 10}));
    }
    ControllerDef ctl = Metric();
    const Expanded r = Interpret("G00 Z50\nG98 G81 X10 Z-10 R2 F100\nX20\nG80\n", ctl);
    ExpectEnds(r,
               {{kRapid, {0, 0, 50}}, {kRapid, {10, 0, 50}}, {kRapid, {10, 0, 2}}, {kLine, {10, 0, -10}},
                {kRapid, {10, 0, 50}}, {kRapid, {20, 0, 50}}, {kRapid, {20, 0, 2}}, {kLine, {20, 0, -10}},
                {kRapid, {20, 0, 50}}, {kRapid, {20, 0, 50}}},
               "G81 two holes");
    EXPECT_EQ(r.motions[3].feed, 100.0);

    // K0 only positions; under CYCLE(K0) IGNORE it drills one hole. The
    // count holds for its own block: the next hole is drilled again.
    const std::string k0 = "G00 Z50\nG99 G81 X10 Z-10 R2 K0 F100\nX20\n";
    ExpectEnds(Interpret(k0, ctl),
               {{kRapid, {0, 0, 50}}, {kRapid, {10, 0, 50}}, {kRapid, {20, 0, 50}}, {kRapid, {20, 0, 2}},
                {kLine, {20, 0, -10}}, {kRapid, {20, 0, 2}}},
               "K0");
    ctl.ignoreK0 = true;
    EXPECT_EQ(Interpret(k0, ctl).motions.size(), 8u) << "K0 ignored: both holes drilled";
}

TEST(MotionExpansion, SplinesCollectPointsWeightsKnotsAndOrder) {
    ControllerDef ctl = Metric();
    // Three control points, order 3, clamped knots: a quadratic Bezier
    // curve, whose middle is (P0 + 2 P1 + P2) / 4 = (10, 5).
    {
        const Expanded r = Interpret("G01 X0 Y0 F100\nG06.2 P3 K0 X0 Y0 F500\nK0 X10 Y10\nK0 X20 Y0\nK1\nK1\nK1\n"
                                "G01 X30\n",
                                ctl);
        ExpectEnds(r, {{kLine, {0, 0, 0}}, {kSpline, {20, 0, 0}}, {kLine, {30, 0, 0}}}, "G06.2");
        ASSERT_EQ(r.curves.size(), 1u);
        const SplineCurve& c = r.curves[0];
        EXPECT_TRUE(c.order == 3 && c.control.size() == 3u && r.motions[1].feed == 500.0);
        EXPECT_EQ(c.knots, (std::vector<double>{0, 0, 0, 1, 1, 1}));
        const Point mid = SplinePoint(c, 0.5);
        EXPECT_NEAR(mid[0], 10.0, 1e-9);
        EXPECT_NEAR(mid[1], 5.0, 1e-9);
    }
    // G132 takes knots from Q and weights from R; a missing coordinate
    // repeats the previous point; incremental words add to it.
    {
        const Expanded r = Interpret("G132 Q0 X0 Y0\nQ0 R2 G91 X10 Y10\nQ0 Y-10\nQ1\nQ1\nQ1\nQ1\n", ctl);
        ASSERT_EQ(r.curves.size(), 1u);
        const SplineCurve& c = r.curves[0];
        ASSERT_EQ(c.control.size(), 3u);
        EXPECT_TRUE(c.order == 4 && c.knots.size() == 7u);
        EXPECT_EQ(c.weights, (std::vector<double>{1, 2, 1}));
        EXPECT_EQ(c.control[2], (Point{10, 0, 0}));
    }
    // A block after the control points without a knot is a block of its own.
    {
        const Expanded r = Interpret("G06.2 P2 K0 X0 Y0\nK0 X10 Y10\nK1\nM09 G04 P2000\nG01 X40\n", ctl);
        ASSERT_EQ(r.motions.size(), 3u);
        EXPECT_TRUE(r.motions[0].type == kSpline && r.motions[1].mCode == 9 && r.motions[1].dwell == 2.0);
        EXPECT_EQ(r.curves[0].knots, (std::vector<double>{0, 0, 1}));
    }
    // Another motion code closes a curve early; the block then moves itself.
    {
        const Expanded r = Interpret("G06.2 X0 Y0\nX10 Y10\nG00 X30\n", ctl);
        ExpectEnds(r, {{kSpline, {10, 10, 0}}, {kRapid, {30, 10, 0}}}, "closed early");
        ASSERT_EQ(r.curves.size(), 1u);
        EXPECT_EQ(r.curves[0].control.size(), 2u);
    }
}

}  // namespace
}  // namespace morvex
