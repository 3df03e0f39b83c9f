// Cutter radius compensation through NextMotion on small programs: offset
// lines and arcs, the concave-arc feed, turned-over arcs, inside and outside
// corners, G39 corner arcs, the slot alarm list, G40 cancellation and D
// changes on the fly. Every expected point is worked out by hand from the
// programmed contour and the offset.
#include "nc/interpreter.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "nc/nc_alarms.h"
#include "support/nc_run.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using Motions = test::Interpreted;
using test::Interpret;
using XY = std::pair<double, double>;

ControllerDef Metric() {
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    ctl.dOffsets[1] = {5.0f, 0.0f};
    return ctl;
}

void ExpectXY(const Point& p, XY want, const std::string& what) {
    EXPECT_NEAR(p[0], want.first, 1e-9) << what;
    EXPECT_NEAR(p[1], want.second, 1e-9) << what;
}

// Motions first, first + 1, ... run from points[0] to points[1], points[1] to points[2], ...
void ExpectChain(const std::vector<PathRecord>& motions, std::size_t first, const std::vector<XY>& points,
                 const std::string& what) {
    ASSERT_GE(motions.size(), first + points.size() - 1) << what;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        ExpectXY(motions[first + i].start, points[i], what + " start of " + std::to_string(first + i));
        ExpectXY(motions[first + i].end, points[i + 1], what + " end of " + std::to_string(first + i));
    }
}

const double kRoot2 = std::sqrt(2.0);

TEST(RadiusCompensation, LinesOffsetToTheSideAndCancelAtTheProgrammedEnd) {
    // Start-up from (-10,-10) to (0,0), then along +X to (20,0), then G40 to (30,-10).
    for (const auto& [code, side] : {std::pair{"G41", 5.0}, std::pair{"G42", -5.0}}) {
        ControllerDef ctl = Metric();
        const Motions r = Interpret(std::string("G01 X-10 Y-10 F100\n") + code + " D1 X0 Y0\nX10\nX20\nG40 X30 Y-10\n", ctl);
        ASSERT_EQ(r.error, kNcNoError) << code;
        ASSERT_EQ(r.motions.size(), 5u) << code;
        EXPECT_FALSE(r.motions[0].compensated) << code;
        EXPECT_TRUE(r.motions[2].compensated) << code;
        ExpectChain(r.motions, 1, {{-10, -10}, {0, side}, {10, side}, {20, side}, {30, -10}}, code);
    }
    // In the ZX plane the left of +X is -Z; in the YZ plane the left of +Y is +Z.
    for (const auto& [program, axis, side] :
         {std::tuple{"G18 G01 X-20 Z0 F100\nG41 D1 X-10\nX10\nX20\n", 0, -5.0},
          std::tuple{"G19 G01 Y-20 Z0 F100\nG41 D1 Y-10\nY10\nY20\n", 1, 5.0}}) {
        ControllerDef ctl = Metric();
        const Motions r = Interpret(program, ctl);
        ASSERT_EQ(r.motions.size(), 4u) << program;
        const PathRecord& m = r.motions[2];
        EXPECT_EQ((std::array{m.start[axis], m.end[axis], m.start[2], m.end[2]}),
                  (std::array{-10.0, 10.0, side, side}))
            << program;
    }
}

TEST(RadiusCompensation, ArcRadiiFeedAndTurnedOverArcs) {
    // Tangent entry along +X at y = 5 (G41, r = 5) into a quarter arc of radius 10:
    // clockwise about (0,-10) the tool is outside, counter-clockwise about (0,10) inside.
    const std::string lead = "G01 X-20 Y0 F100\nG41 D1 X-10\nX0\n";
    const struct {
        const char* arc;
        bool concaveFeed;
        int type;
        double radius, feed;
        std::vector<XY> path;
    } cases[] = {
        {"G02 X10 Y-10 I0 J-10\nG01 Y-20\n", true, kArcCw, 15.0, 100.0, {{0, 5}, {15, -10}, {15, -20}}},
        {"G03 X10 Y10 I0 J10\nG01 Y20\n", true, kArcCcw, 5.0, 50.0, {{0, 5}, {5, 10}, {5, 20}}},
        {"G03 X10 Y10 I0 J10\nG01 Y20\n", false, kArcCcw, 5.0, 100.0, {{0, 5}, {5, 10}, {5, 20}}},
    };
    for (const auto& c : cases) {
        ControllerDef ctl = Metric();
        ctl.concaveArcFeed = c.concaveFeed;
        const Motions r = Interpret(lead + c.arc, ctl);
        ASSERT_EQ(r.motions.size(), 5u) << c.arc;
        const PathRecord& arc = r.motions[3];
        EXPECT_EQ(arc.type, c.type);
        ExpectChain(r.motions, 3, c.path, c.arc);
        EXPECT_NEAR(arc.startRadius, c.radius, 1e-9);
        EXPECT_NEAR(arc.endRadius, c.radius, 1e-9);
        EXPECT_NEAR(arc.arcLength, c.radius * kPi / 2.0, 1e-9);
        EXPECT_DOUBLE_EQ(arc.feed, c.feed) << c.arc << c.concaveFeed;
        ExpectXY(arc.centre, {0, c.type == kArcCw ? -10 : 10}, "centre kept");
    }
    // Counter-clockwise arcs smaller than r: radius - 5 rounded to 0.001 mm.
    const struct {
        const char* radius;
        bool check;
        int error;
    } arcs[] = {{"3", true, kNcReverseArc}, {"3", false, kNcNoError},
                {"4.9994", true, kNcReverseArc},  // -0.0006 rounds to -0.001
                {"4.9996", true, kNcNoError}};    // -0.0004 rounds to 0
    for (const auto& a : arcs) {
        ControllerDef ctl = Metric();
        ctl.checkReverseArc = a.check;
        const std::string rr = a.radius;
        const Motions r = Interpret(lead + "G03 X" + rr + " Y" + rr + " I0 J" + rr + "\nG01 Y10\n", ctl);
        EXPECT_EQ(r.error, a.error) << a.radius << " check " << a.check;
    }
}

TEST(RadiusCompensation, InsideAndOutsideCorners) {
    // First element (-10,0) -> (10,0), offset to y = 5 (G41, r = 5).
    const std::string lead = "G01 X-20 Y0 F100\nG41 D1 X-10\nX10\n";
    const double q = 5.0 / kRoot2, t = 10 + 5.0 * std::tan(kPi / 8.0);
    const struct {
        std::string program;
        std::size_t count;
        std::vector<XY> path;  // from motion 2 on
    } cases[] = {
        // Turn left by 90 degrees: inside; both offset lines meet at (5,5).
        {lead + "Y10\n", 4, {{-10, 5}, {5, 5}, {5, 10}}},
        // Turn right by exactly 90 degrees: one meeting point (15,5).
        {lead + "Y-10\n", 6, {{-10, 5}, {10, 5}, {15, 5}, {15, 0}, {15, -10}}},
        // Turn right by 45 degrees towards (20,-10): meeting point (10 + 5 tan 22.5deg, 5).
        {lead + "X20 Y-10\n", 6, {{-10, 5}, {10, 5}, {t, 5}, {10 + q, q}, {20 + q, -10 + q}}},
        // Turn right by 135 degrees towards (0,-10): out by r along each line, then across.
        {lead + "X0 Y-10\n", 7, {{-10, 5}, {10, 5}, {15, 5}, {10 + 5.0 * kRoot2, 0}, {10 + q, -q}, {q, -10 - q}}},
        // G42 turning left by 90 degrees is outside: meeting point (15,-5).
        {"G01 X-20 Y0 F100\nG42 D1 X-10\nX10\nY10\n", 6, {{-10, -5}, {10, -5}, {15, -5}, {15, 0}, {15, 10}}},
    };
    for (const auto& c : cases) {
        ControllerDef ctl = Metric();
        const Motions r = Interpret(c.program, ctl);
        ASSERT_EQ(r.motions.size(), c.count) << c.program;
        ExpectChain(r.motions, 2, c.path, c.program);
        for (std::size_t i = 3; i < c.count; ++i) EXPECT_EQ(r.motions[i].type, kLine) << c.program;
    }
    ControllerDef ctl = Metric();
    {  // Line into a counter-clockwise arc of radius 20 about (-10,0), turning left:
       // y = 5 meets the offset circle of radius 15 at x = -10 + sqrt(15^2 - 5^2).
        const Motions r = Interpret(lead + "G03 X-10 Y20 I-20 J0\n", ctl);
        ASSERT_EQ(r.motions.size(), 4u);
        const double sweep = kPi / 2.0 - std::asin(5.0 / 15.0);
        ExpectChain(r.motions, 2, {{-10, 5}, {-10.0 + std::sqrt(200.0), 5}, {-10, 15}}, "line into arc");
        const PathRecord& arc = r.motions[3];
        EXPECT_EQ(arc.type, kArcCcw);
        EXPECT_NEAR(arc.startRadius, 15.0, 1e-9);
        EXPECT_NEAR(arc.sweep, sweep, 1e-9);
        EXPECT_NEAR(arc.arcLength, 15.0 * sweep, 1e-9);
        EXPECT_DOUBLE_EQ(arc.feed, 75.0);  // 100 * 15 / 20
    }
    {  // G39 at the 90 degree outside corner: a clockwise arc about the corner.
        const Motions r = Interpret(lead + "G39\nY-10\n", ctl);
        const PathRecord* arc = nullptr;
        for (const PathRecord& m : r.motions) {
            if (m.type == kArcCw || m.type == kArcCcw) arc = &m;
        }
        ASSERT_NE(arc, nullptr);
        EXPECT_EQ(arc->type, kArcCw);
        ExpectChain({*arc, r.motions.back()}, 0, {{10, 5}, {15, 0}, {15, -10}}, "G39 corner arc, second element");
        ExpectXY(arc->centre, {10, 0}, "about the programmed corner");
        EXPECT_NEAR(arc->startRadius, 5.0, 1e-9);
        EXPECT_NEAR(arc->sweep, kPi / 2.0, 1e-9);
    }
}

TEST(RadiusCompensation, NarrowSlotGivesAConnectingLineAndAnAlarmEntry) {
    // A U-shaped slot 6 wide entered with r = 5: down x = 0, across y = 0, up x = 6.
    for (const bool checkOnly : {false, true}) {
        test::TempDir dir;
        AlarmFiles alarms;
        alarms.folder = dir.Dir();
        ControllerDef ctl = Metric();
        ctl.radiusCheck = true;
        ctl.radiusCheckList = kOffsetListList;
        InterpreterSetup setup;
        setup.checkOnly = checkOnly;
        setup.alarms = &alarms;
        const Motions r = Interpret("G01 X0 Y20 F100\nG41 D1 Y10\nY0\nX6\nY10\n", ctl, test::WithSetup(setup));
        ASSERT_EQ(r.motions.size(), 6u) << checkOnly;
        // Down to the first inside corner, across, the connecting line, up the far wall.
        ExpectChain(r.motions, 2, {{5, 10}, {5, 5}, {6, 5}, {1, 0}, {1, 10}}, "slot");
        alarms.alarm.file.reset();  // flush and close the list
        const std::string list = dir.Path("alarm.txt");
        EXPECT_EQ(alarms.offsetMarked, !checkOnly);
        if (checkOnly) {
            EXPECT_FALSE(std::filesystem::exists(list));
        } else {
            EXPECT_EQ(test::TempDir::Read(list),
                      "<<< ALARM INFORMATION >>>\n--------------\nINTERFERENCE IN RADIUS(5.000) OFFSET\n5:Y10\n");
        }
    }
}

TEST(RadiusCompensation, BareG40ThenToolAxisBlockByOnlyG40Mode) {
    // Offset along y = 5 to (10,5); G40 alone; then Z-5; then X20. RESET (2):
    // the Z block itself returns to the programmed point; OFFSET (1): Z stays
    // offset, the next plane move cancels.
    for (const int mode : {1, 2}) {
        ControllerDef ctl = Metric();
        ctl.g40Mode = mode;
        const Motions r = Interpret("G01 X-10 Y0 F100\nG41 D1 X0\nX10\nG40\nZ-5\nX20\n", ctl);
        ASSERT_GE(r.motions.size(), 5u) << mode;
        const double y = mode == 2 ? 0.0 : 5.0;
        ExpectChain(r.motions, r.motions.size() - 2, {{10, 5}, {10, y}, {20, 0}}, "G40 mode " + std::to_string(mode));
        EXPECT_NEAR(r.motions[r.motions.size() - 2].end[2], -5.0, 1e-9) << mode;
        EXPECT_NEAR(r.motions.back().end[2], -5.0, 1e-9) << mode;
        // G40 as the last block: OFFSET finishes at the programmed point, RESET stays.
        const Motions last = Interpret("G01 X-10 Y0 F100\nG41 D1 X0\nX10\nG40\n", ctl);
        ASSERT_FALSE(last.motions.empty());
        ExpectXY(last.motions.back().end, {10, mode == 1 ? 0.0 : 5.0}, "end after G40 " + std::to_string(mode));
    }
}

TEST(RadiusCompensation, DChangeOffsetsItsOwnBlock) {
    ControllerDef ctl = Metric();
    ctl.dOffsets[2] = {1.5f, 0.5f};  // value plus second column: 2
    const Motions r = Interpret("G01 X-10 Y0 F100\nG41 D1 X0\nX10\nD2 X20\nX30\n", ctl);
    ASSERT_EQ(r.motions.size(), 6u);
    // D1, the step between the parallel offsets, the D2 block already at 2.
    ExpectChain(r.motions, 2, {{0, 5}, {10, 5}, {10, 2}, {20, 2}, {30, 2}}, "D change");
}

// A start-up line shorter than the offset ends behind its own start (the
// next element's offset start is at x = 3 - 5): an over offset, reported
// only when the controller asks for the check.
TEST(RadiusCompensation, StartUpShorterThanTheOffsetIsAnOverOffset) {
    for (const bool check : {false, true}) {
        ControllerDef ctl = Metric();
        ctl.checkOverOffset = check;
        const Motions r = Interpret("G01 X0 Y0 F100\nG41 D1 X3\nY10\nX20\n", ctl);
        ExpectChain(r.motions, 1, {{0, 0}, {-2, 0}}, "start-up line");
        EXPECT_EQ(r.error, check ? kNcOverOffset : kNcNoError) << check;
    }
}

// What a block says travels with its own motion: corner lines carry none of
// it, an arc error of a held block is reported with that block's motion, and
// an element after a plunge keeps the plunged level.
TEST(RadiusCompensation, BlockWordsErrorsAndLevelsStayWithTheirElements) {
    ControllerDef ctl = Metric();
    Motions r = Interpret("G01 X0 Y0 F100\nG41 D1 X10\nX20\nY-10 T2 M06\nX30\n", ctl);
    int m6 = 0;
    for (const PathRecord& m : r.motions) m6 += m.mCode == 6;
    EXPECT_EQ(m6, 1) << "M06 once, on its own element";

    // The inside corner meets at (15, 5); the plunge is handed out there.
    r = Interpret("G01 X0 Y0 F100\nG41 D1 X10\nX20\nZ-5\nY10\nX30\n", ctl);
    ExpectChain(r.motions, 2, {{10, 5}, {15, 5}}, "cut back");
    ASSERT_GE(r.motions.size(), 5u);
    EXPECT_EQ(r.motions[3].end[2], -5.0);
    EXPECT_EQ(r.motions[4].start, (Point{15, 5, -5})) << "the next element starts at the plunged level";

    // A cycle after G40 starts from where the tool stands and ends the
    // cancellation: the next block is not offset.
    r = Interpret("G01 X0 Y0 F100\nG41 D1 X10\nX20\nG40\nG81 X30 Y30 Z-5 R1\nG80 G01 X40 Y0\n", ctl);
    ASSERT_GE(r.motions.size(), 2u);
    EXPECT_EQ(r.motions.back().start, (Point{30, 30, 0}));
    EXPECT_FALSE(r.motions.back().compensated);

    ctl.rTolerance = 0.1;
    r = Interpret("G01 X0 Y0 F100\nG41 D1 X10\nG02 X21 Y0 I5 J0\nG01 X30\n", ctl);
    EXPECT_EQ(r.error, kNcArcRadius);
    ASSERT_FALSE(r.motions.empty());
    EXPECT_EQ(r.motions.back().type, kArcCw) << "reported with the arc itself";
    EXPECT_EQ(r.motions.back().line, 3);
}

// Mirroring one plane axis mirrors the compensated path as a whole: the
// offset keeps its side in program coordinates over any number of arcs.
TEST(RadiusCompensation, MirrorKeepsTheOffsetSideAcrossArcs) {
    test::TempDir dir;
    ControllerDef ctl = Metric();
    Interpreter in;
    ASSERT_TRUE(OpenNcProgram(in.reader, dir.Write("p.nc", "G51.1 X0\nG01 X-10 Y0 F100\nG41 D1 X0\n"
                                                                "G02 X20 Y0 I10\nG02 X40 Y0 I10\nG01 X50\nX60\n")));
    StartProgram(in, ctl, Point{});
    std::vector<PathRecord> arcs, lines;
    while (NextMotion(in, ctl, ToolWordForm{}) == MotionResult::Motion) {
        const PathRecord programmed = in.path;
        ToToolFrame(in);
        if (programmed.type == kArcCw) arcs.push_back(programmed);
        if (programmed.type == kLine && programmed.start[0] >= 40.0) lines.push_back(programmed);
        EXPECT_EQ(in.path.type == kArcCcw, programmed.type == kArcCw) << "mirrored arc turns the other way";
    }
    ASSERT_EQ(arcs.size(), 2u);
    for (const PathRecord& a : arcs) EXPECT_NEAR(a.startRadius, 15.0, 1e-9);
    // The line meets the arc of radius 15 about (30, 0) at y = 5.
    ASSERT_EQ(lines.size(), 2u);
    ExpectChain(lines, 0, {{30 + std::sqrt(200.0), 5}, {50, 5}, {60, 5}}, "lines after the arcs");
}

// A step of 1 between the floor and a 45 degree wall is too small for a tool
// of radius 5. Without look-ahead the tool drops into it through connecting
// lines; with PRE READ the floor meets the wall's offset at y = 5, where
// x + y = 1 - 5 sqrt 2, and the step is left out.
TEST(RadiusCompensation, LookAheadLeavesOutAStepTooSmallForTheTool) {
    const std::string program = "G01 X-40 Y0 F100\nG41 D1 X-30\nX0\nY1\nX-20 Y21\nG40 X-20 Y40\n";
    const double wallX = 1.0 - 5.0 * kRoot2;  // wall offset x + y at y = 0
    ControllerDef plain = Metric();
    const Motions dropped = Interpret(program, plain);
    ASSERT_EQ(dropped.motions.size(), 8u);
    ExpectChain(dropped.motions, 2, {{-30, 5}, {0, 5}, {-5, 0}}, "into the step");
    ControllerDef ctl = Metric();
    ctl.preRead = 2;
    const Motions r = Interpret(program, ctl);
    ASSERT_EQ(r.motions.size(), 5u);
    const XY wall{-20 - 2.5 * kRoot2, 21 - 2.5 * kRoot2};
    ExpectChain(r.motions, 1, {{-40, 0}, {-30, 5}, {wallX - 5.0, 5}, wall, {-20, 40}}, "look-ahead");
    EXPECT_EQ(r.error, kNcNoError);
}

}  // namespace
}  // namespace morvex
