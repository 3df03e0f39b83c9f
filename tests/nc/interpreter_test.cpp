// The interpreter on small programs: modal motion, distance modes, arcs from
// IJK and R, coordinate systems, offsets, dwells, errors and the tool frame.
#include "nc/interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/nc_run.h"

namespace morvex {
namespace {

using test::Interpret;
using test::Interpreted;

ControllerDef Metric() {
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    return ctl;
}

void ExpectPoint(const Point& p, double x, double y, double z, const std::string& what) {
    EXPECT_NEAR(p[0], x, 1e-9) << what;
    EXPECT_NEAR(p[1], y, 1e-9) << what;
    EXPECT_NEAR(p[2], z, 1e-9) << what;
}

TEST(Interpreter, DistanceModesAndModalMotion) {
    ControllerDef ctl = Metric();
    Interpreted r = Interpret("G91 G01 X10 F100\nX10\nG90 X10\nX10\nG00 Y5\nS100 M3\n", ctl);
    ASSERT_EQ(r.motions.size(), 6u);
    ExpectPoint(r.motions[1].end, 20, 0, 0, "incremental twice");
    ExpectPoint(r.motions[3].end, 10, 0, 0, "absolute twice");
    EXPECT_EQ(r.motions[3].type, kLine);
    EXPECT_EQ(r.motions[4].type, kRapid);
    EXPECT_EQ(r.motions[5].mCode, 3);
    ExpectPoint(r.motions[5].start, 10, 5, 0, "a block without axis words stays");
    ExpectPoint(r.motions[5].end, 10, 5, 0, "a block without axis words stays");
    EXPECT_EQ(r.motions[1].line, 2);
    EXPECT_DOUBLE_EQ(r.motions[2].feed, 100.0);
    EXPECT_EQ(r.last, MotionResult::End);
}

TEST(Interpreter, ArcsFromCentreOffsetsAndFromRadius) {
    ControllerDef ctl = Metric();
    const Interpreted r = Interpret(
        "G17 G02 X10 Y0 R10 F100\n"   // from 0,0: the shorter arc, centre 5,-8.660
        "G90 G00 X0 Y0\nG02 X10 Y0 R5\n"
        "G00 X0 Y0\nG02 X10 Y0 R-5\n"
        "G00 X0 Y0\nG02 X0 Y0 I5 J0\n"  // a full circle
        "G03 I-5\n",                     // the same with the end left out
        ctl);
    ASSERT_EQ(r.motions.size(), 8u);
    EXPECT_NEAR(r.motions[0].centre[0], 5.0, 1e-9);
    EXPECT_NEAR(r.motions[0].centre[1], -8.660254037844386, 1e-9);
    EXPECT_NEAR(r.motions[0].sweep, kPi / 3.0, 1e-9);
    for (const int i : {2, 4}) {
        EXPECT_NEAR(r.motions[i].centre[0], 5.0, 1e-9) << i;
        EXPECT_NEAR(r.motions[i].centre[1], 0.0, 1e-9) << i;
        EXPECT_NEAR(r.motions[i].sweep, kPi, 1e-9) << i;
    }
    EXPECT_NEAR(r.motions[6].sweep, 2 * kPi, 1e-12);
    EXPECT_NEAR(r.motions[6].arcLength, 2 * kPi * 5, 1e-9);
    EXPECT_EQ(r.motions[7].type, kArcCcw);
    EXPECT_NEAR(r.motions[7].centre[0], -5.0, 1e-9);
    EXPECT_NEAR(r.motions[7].sweep, 2 * kPi, 1e-12);

    // Only a given centre makes a full circle: a block of no axis word while
    // G02 is modal (a lone M05) and an R arc ending where it starts leave the
    // tool where it is, while the full circle with I still turns once.
    const Interpreted still = Interpret("G02 X10 Y0 I5 J0 F100\nM05\nG03 X10 Y0 I-5\nG02 X10 Y0 R5\n", ctl);
    ASSERT_EQ(still.motions.size(), 4u);
    EXPECT_NEAR(still.motions[0].sweep, kPi, 1e-12);
    EXPECT_EQ(still.motions[1].mCode, 5);
    for (const int i : {1, 3}) {
        EXPECT_EQ(still.motions[i].sweep, 0.0) << i;
        EXPECT_EQ(still.motions[i].arcLength, 0.0) << i;
        ExpectPoint(still.motions[i].toolEnd, 10, 0, 0, "stays");
    }
    EXPECT_NEAR(still.motions[2].sweep, 2 * kPi, 1e-12);
    EXPECT_NEAR(still.motions[2].arcLength, 2 * kPi * 5, 1e-9);

    // A long arc: a negative radius takes more than half a circle.
    const Interpreted longArc = Interpret("G02 X10 Y0 R-10 F100\n", ctl);
    EXPECT_NEAR(longArc.motions[0].centre[1], 8.660254037844386, 1e-9);
    EXPECT_NEAR(longArc.motions[0].sweep, 2 * kPi - kPi / 3.0, 1e-9);

    // Arcs in the ZX plane.
    const Interpreted zx = Interpret("G18 G02 X10 Z0 I5 K0 F100\n", ctl);
    EXPECT_EQ(zx.motions[0].first, 2);
    EXPECT_EQ(zx.motions[0].second, 0);
    EXPECT_NEAR(zx.motions[0].sweep, kPi, 1e-9);
}

TEST(Interpreter, RadiusToleranceAndZeroFeedErrors) {
    ControllerDef ctl = Metric();
    ctl.rTolerance = 0.1f;
    Interpreted r = Interpret("G02 X10.2 Y0 I5 J0 F100\nG01 X0\n", ctl);  // radii 5.0 and 5.2
    ASSERT_EQ(r.motions.size(), 1u);
    EXPECT_EQ(r.error, kNcArcRadius);
    r = Interpret("G02 X10.05 Y0 I5 J0 F100\n", ctl);  // radii 5.0 and 5.05
    EXPECT_EQ(r.error, kNcNoError);

    ctl.checkF0 = true;
    r = Interpret("G00 X5\nG01 Y5\n", ctl);
    EXPECT_EQ(r.motions.size(), 2u);
    EXPECT_EQ(r.error, kNcZeroFeed);
    r = Interpret("G01 F0\nG01 X0 Y0\n", ctl);  // no movement: no error
    EXPECT_EQ(r.error, kNcNoError);
}

TEST(Interpreter, StartCodeEndMarkAndReaderErrors) {
    ControllerDef ctl = Metric();
    ctl.endOfRecord = '%';
    Interpreted r = Interpret("G00 X99\n%\nG00 X1\n%\nG00 X2\n", ctl);
    ASSERT_EQ(r.motions.size(), 1u);  // before the first mark nothing, the second ends
    ExpectPoint(r.motions[0].end, 1, 0, 0, "between the marks");
    EXPECT_EQ(r.motions[0].line, 3);
    EXPECT_EQ(r.last, MotionResult::End);

    r = Interpret("G00 X1\nG00 X2\n", ctl);
    EXPECT_EQ(r.last, MotionResult::Error);
    EXPECT_EQ(r.error, kNcNoStartCode);

    ControllerDef check = Metric();
    check.codeCheck = true;
    r = Interpret("G00 X1\nG01X10.5.3\n", check);
    EXPECT_EQ(r.last, MotionResult::Error);
    EXPECT_EQ(r.error, kNcDoubleDecimalPoint);
}

TEST(Interpreter, WorkSystemsLocalShiftsAndCoordinateSetting) {
    ControllerDef ctl = Metric();
    ctl.work[1] = {100.0f, 0.0f, 0.0f};  // G54
    ctl.work[2] = {150.0f, 50.0f, 0.0f}; // G55
    ctl.g10Mode = 1;
    const Interpreted r = Interpret(
        "G54 G00 X10 Y0\n"
        "G55\n"               // the same machine point in G55: X-40 Y-50
        "G92 X0 Y0\n"         // now called 0,0
        "G00 X5\n"
        "G10 L2 P3 X1 Y2 Z3\n"
        "G53 G00 X0 Y0\n",    // machine 0,0 in the shifted G55
        ctl);
    ASSERT_EQ(r.motions.size(), 6u);
    ExpectPoint(r.motions[0].end, 10, 0, 0, "G54");
    ExpectPoint(r.motions[1].end, -40, -50, 0, "converted to G55");
    ExpectPoint(r.motions[2].end, 0, 0, 0, "G92");
    ExpectPoint(r.motions[3].end, 5, 0, 0, "after G92");
    ExpectPoint(r.motions[4].end, 5, 0, 0, "G10 does not move");
    EXPECT_FLOAT_EQ(ctl.work[3].y, 2.0f);
    // G92 moved the common entry by the point's old coordinates, -40,-50.
    EXPECT_FLOAT_EQ(ctl.work[0].x, -40.0f);
    EXPECT_FLOAT_EQ(ctl.work[0].y, -50.0f);
    // Machine X0 Y0 less the offset in force (150 - 40, 50 - 50).
    ExpectPoint(r.motions[5].end, -110, 0, 0, "G53");
    // Changing the system moves no tool: the tool frame's start follows
    // the point into the new system, so that the machine sees no travel.
    for (std::size_t i : {1u, 2u, 4u}) {
        ExpectPoint(r.motions[i].toolStart, r.motions[i].toolEnd[0], r.motions[i].toolEnd[1], r.motions[i].toolEnd[2],
                    "no travel in the machine");
    }
    ExpectPoint(r.motions[3].toolStart, 0, 0, 0, "after G92, from the point it named");
}

// Every motion starts where the one before left the tool, in the machine's
// terms: the tool frame plus the work offset the run places it with.
void ExpectNoJump(const Interpreted& r, const std::string& what) {
    for (std::size_t i = 1; i < r.motions.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            const double from = r.motions[i - 1].toolEnd[a] + r.offsets[i - 1][a];
            EXPECT_NEAR(r.motions[i].toolStart[a] + r.offsets[i][a], from, 1e-9)
                << what << ": motion " << i << " (line " << r.motions[i].line << "), axis " << a;
        }
    }
}

TEST(Interpreter, WorkSystemChangesNeverMoveTheTool) {
    // The tool in the material while the system changes: G55, a local shift
    // (its own block, then a move), new values for the system in force, a
    // G92, and each of them under rotation, mirroring, compensation and a
    // drilling cycle. A jump would drag the tool through the work.
    ControllerDef ctl = Metric();
    ctl.work[2] = {150.0f, 0.0f, 0.0f};  // G55
    ctl.dOffsets[1] = {5.0f, 0.0f};
    ctl.g10Mode = 1;
    const std::vector<std::pair<std::string, std::string>> programs = {
        {"G55, G52", "G54 G01 X10 Y10 Z-5 F100\nG55\nG52 X5\nG01 X-135\n"},
        {"G52 own block", "G54 G01 X50 Y50 Z-2 F100\nG52 X20\nG01 X40\n"},
        {"G10 on the system in force", "G55 G01 X-100 Y50 Z-2 F100\nG10 L2 P2 X170\nG01 X-90\n"},
        {"G92", "G01 X10 Y10 Z-2 F100\nG92 X0 Y0\nG01 X5\n"},
        {"rotation", "G01 X50 Y50 Z-2 F100\nG68 X50 Y50 R90\nG01 X60\nG55\nG01 X-80\nG52 X5\nG01 X-70\n"
                     "G69\nG01 X-60\n"},
        {"mirror", "G01 X40 Y50 Z-2 F100\nG51.1 X50\nG01 X40\nG55\nG01 X-105\nG50.1 X0\nG01 X-100\n"},
        {"compensation", "G00 X-10 Y-10 Z5\nG01 Z-2 F300\nG41 D1 X0 Y0\nG01 X20\nG55\nG01 X-120 Y10\nX-110\n"
                         "G52 X5\nX-100\nG40 X-100 Y20\n"},
        {"cycle", "G00 X50 Y50 Z10\nG98 G81 X50 Y50 Z-5 R2 F100\nX60\nG52 X5\nX70\nG80\n"},
    };
    for (const auto& [what, program] : programs) {
        ControllerDef c = ctl;
        const Interpreted r = Interpret(program, c);
        EXPECT_EQ(r.error, 0) << what;
        EXPECT_GE(r.motions.size(), 3u) << what;
        ExpectNoJump(r, what);
    }
    // Where the tool ends: the local shift's X-135 is machine 150 - 135 + 5;
    // mirrored about X50, X40 is 60 and G55's X-105 (machine 45) is 55.
    ControllerDef c = ctl;
    Interpreted r = Interpret(programs[0].second, c);
    ASSERT_FALSE(r.motions.empty());
    EXPECT_NEAR(r.motions.back().toolEnd[0] + r.offsets.back()[0], 20.0, 1e-9);
    c = ctl;
    r = Interpret(programs[5].second, c);
    ASSERT_GE(r.motions.size(), 5u);
    EXPECT_NEAR(r.motions[2].toolEnd[0] + r.offsets[2][0], 60.0, 1e-9);
    EXPECT_NEAR(r.motions[4].toolEnd[0] + r.offsets[4][0], 55.0, 1e-9);
    // Compensated, the X20 held while G55 is read still ends short of X20
    // (at the corner with the next move), not 150 mm on.
    c = ctl;
    r = Interpret(programs[6].second, c);
    bool seen = false;
    for (std::size_t i = 0; i < r.motions.size(); ++i) {
        if (r.motions[i].line != 4) continue;
        seen = true;
        const double x = r.motions[i].toolEnd[0] + r.offsets[i][0];
        EXPECT_GT(x, 10.0);
        EXPECT_LT(x, 20.0);
    }
    EXPECT_TRUE(seen);
}

TEST(Interpreter, CoordinateSettingInBothModesAndNumberedWorkSystems) {
    for (const int mode : {0, 1}) {
        ControllerDef ctl = Metric();
        ctl.g92Mode = mode;  // MOVE: the first G92 moves the point without shifting the offset
        const Interpreted r = Interpret("G00 X10\nG92 X0\nG00 X5\nG92 X0\n", ctl);
        ASSERT_EQ(r.motions.size(), 4u);
        ExpectPoint(r.motions[1].end, 0, 0, 0, "G92 names the point");
        EXPECT_FLOAT_EQ(ctl.work[0].x, mode == 0 ? 15.0f : 5.0f) << mode;
    }
    ControllerDef ctl = Metric();
    ctl.work[8] = {0.0f, 20.0f, 0.0f};  // G54 P2 is entry 8
    ctl.work[7] = {0.0f, 0.0f, 5.0f};   // G54.1 is entry 7
    const Interpreted r = Interpret("G54 P2 G00 X1 Y1\nG54.1\n", ctl);
    ExpectPoint(r.motions[0].end, 1, 1, 0, "in G54 P2");
    ExpectPoint(r.motions[1].end, 1, 21, -5, "converted to G54.1");
}

TEST(Interpreter, LocalShiftAppliesToTheFollowingBlocks) {
    ControllerDef ctl = Metric();
    const Interpreted r = Interpret("G00 X10 Y10\nG52 X5 Y5\nG00 X0 Y0\nG52 X0 Y0\nG00 X0 Y0\n", ctl);
    ASSERT_EQ(r.motions.size(), 5u);
    ExpectPoint(r.motions[1].end, 10, 10, 0, "the G52 block does not move");
    ExpectPoint(r.motions[2].start, 5, 5, 0, "the current point in the shifted system");
    ExpectPoint(r.motions[2].end, 0, 0, 0, "the shifted zero");
    ExpectPoint(r.motions[4].start, 5, 5, 0, "back without the shift");
}

TEST(Interpreter, OffsetsToolWordsFeedsAndDwells) {
    ControllerDef ctl = Metric();
    ctl.hOffsets[1] = {100.0f, 0.5f};
    ctl.hOffsets[12] = {50.0f, 0.0f};
    ctl.dOffsets[2] = {5.0f, 0.25f};
    ctl.fTable[3] = 1234.0f;
    ctl.feedMode = 2;  // AUTO1: one character from the table
    Interpreted r = Interpret(
        "G43 H1 G00 Z10\nG49 Z10\nD2 G41 F3\nF300\nG04 P500\nG04 X1.5\nT1212\n", ctl,
        test::WithTools(ToolWordForm{true, 2}));
    ASSERT_EQ(r.motions.size(), 7u);
    ExpectPoint(r.motions[0].toolEnd, 0, 0, 110.5, "length offset on the tool axis");
    ExpectPoint(r.motions[1].toolEnd, 0, 0, 10, "length offset off");
    EXPECT_DOUBLE_EQ(r.motions[2].feed, 1234.0);
    EXPECT_DOUBLE_EQ(r.motions[3].feed, 300.0);
    EXPECT_DOUBLE_EQ(r.motions[4].dwell, 0.5);
    EXPECT_DOUBLE_EQ(r.motions[5].dwell, 1.5);
    ExpectPoint(r.motions[5].end, 0, 0, 10, "G04 X is a dwell");
    EXPECT_EQ(r.motions[6].toolWord, 1212);
    ExpectPoint(r.motions[6].toolEnd, 0, 0, 60, "T12 with offset digits 12");
}

TEST(Interpreter, MacroCallsAreNotReadAndMirrorTurnsArcs) {
    ControllerDef ctl = Metric();
    Interpreted r = Interpret("G65 P1000 X10\nG01 X5 F100\n", ctl);
    ExpectPoint(r.motions[0].end, 0, 0, 0, "G65 leaves X unread");
    ExpectPoint(r.motions[1].end, 5, 0, 0, "the next block");

    r = Interpret("G51.1 X0\nG02 X10 Y0 I5 J0 F100\nG50.1 X0\nG01 X20\n", ctl);
    ASSERT_EQ(r.motions.size(), 4u);
    EXPECT_EQ(r.motions[1].type, kArcCcw);  // one plane axis mirrored: the arc turns over
    ExpectPoint(r.motions[1].toolEnd, -10, 0, 0, "mirrored about X0");
    ExpectPoint(r.motions[3].toolEnd, 20, 0, 0, "mirror off");

    r = Interpret("G68 X0 Y0 R90.\nG01 X10 F100\nG69\nG01 Y5\n", ctl);
    ASSERT_EQ(r.motions.size(), 4u);
    ExpectPoint(r.motions[1].toolEnd, 0, 10, 0, "rotated by 90 degrees");
    ExpectPoint(r.motions[2].end, 0, 10, 0, "the cancel takes the tool's position");
    ExpectPoint(r.motions[3].toolEnd, 0, 5, 0, "unrotated again");

    r = Interpret("G01 X0.0000004 Y1 F1\n", ctl);
    EXPECT_EQ(r.motions[0].toolEnd[0], 0.0);
}

TEST(Interpreter, ANegativePlaneSwapsTheArcDirections) {
    ControllerDef ctl = Metric();
    ctl.planeCodes = {-17, 18, 19};  // the XY plane seen from below
    const Interpreted r = Interpret("G17 G02 X10 Y0 R5 F100\nG03 X0 Y0 R5\nG18 G02 X0 Z5 R5\n", ctl);
    ASSERT_EQ(r.motions.size(), 3u);
    EXPECT_EQ(r.motions[0].type, kArcCcw);
    EXPECT_EQ(r.motions[0].plane, -17);
    EXPECT_EQ(r.motions[1].type, kArcCw);
    EXPECT_EQ(r.motions[2].type, kArcCw);  // ZX is not reversed
    EXPECT_EQ(r.motions[2].plane, 18);
}

TEST(Interpreter, DecimalPointModesWithTheLengthIncrement) {
    ControllerDef ctl;  // mode 0, 1/1000
    const Interpreted r = Interpret("G01 X100 Y100. F100\n", ctl);
    ExpectPoint(r.motions[0].end, 0.1, 100.0, 0, "increments and decimal points");
}

}  // namespace
}  // namespace morvex
