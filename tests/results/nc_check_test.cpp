// The NC check on small programs: extents in machine coordinates, path
// lengths and times against hand computations, the missing start code and
// tool changes by ATC type.
#include "results/nc_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "nc/block_reader.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

ControllerDef Metric() {
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    return ctl;
}

struct Checked {
    int status = 0;
    CheckResult result;
};

Checked Check(const std::string& program, ControllerDef ctl = Metric(), MachineDef machine = {},
              CheckTools tools = {}, CheckInput input = {}) {
    test::TempDir dir;
    input.ncPath = dir.Write("p.nc", program);
    Checked c;
    c.status = CheckProgram(input, ctl, machine, tools, c.result);
    return c;
}

void ExpectExtents(const CheckExtents& e, const Point& min, const Point& max, const std::string& what) {
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(e.min[a], min[a], 1e-9) << what << " min " << a;
        EXPECT_NEAR(e.max[a], max[a], 1e-9) << what << " max " << a;
    }
}

TEST(NcCheck, RapidsOnlyGiveRapidLengthAndNoFeedTime) {
    const Checked c = Check("G00 X10\nY20\nZ-5\nX0 Y0 Z0\n");
    ASSERT_EQ(c.status, 0);
    EXPECT_EQ(c.result.error, kNcNoError);
    const MachiningTotals& t = c.result.totals;
    const double length = 10.0 + 20.0 + 5.0 + std::sqrt(100.0 + 400.0 + 25.0);
    EXPECT_NEAR(t.rapidLength, length, 1e-9);
    EXPECT_NEAR(t.rapidClassLength, length, 1e-9);
    EXPECT_EQ(t.feedLength + t.feedTime + t.cutClassTime, 0.0);
    ExpectExtents(c.result.all, {0, 0, -5}, {10, 20, 0}, "rapids");
}

// The times of the machining-time profile reach the totals: rapids at the
// rapid acceleration, feeds at the cutting one, dwells by the mode they are in.
TEST(NcCheck, RapidFeedAndDwellTimes) {
    // 100 mm at 10000 mm/min and 0.1 G; 100 mm at 6000 mm/min and 0.3 G.
    const MachiningTotals rapid100 = Check("G00 X100\n").result.totals;
    EXPECT_NEAR(rapid100.rapidTime, 0.750272, 1e-6);
    EXPECT_EQ(rapid100.rapidClassTime, rapid100.rapidTime);
    Checked c = Check("G01 Y100 F6000\n");
    EXPECT_NEAR(c.result.totals.cutClassTime, 1.027551, 1e-6);
    EXPECT_EQ(c.result.totals.rapidTime, 0.0);
    // Cruising at the start speed: 100 mm at 600 mm/min is 10 s flat; a dwell
    // in feed mode adds its seconds to the feed time, in rapid mode to the rapid time.
    EXPECT_NEAR(Check("G01 X100 F600\nG04 X2.0\n").result.totals.feedTime, 12.0, 1e-9);
    const double rapid = Check("G00 X10\n").result.totals.rapidTime;
    EXPECT_NEAR(Check("G00 X10\nG04 P500\n").result.totals.rapidTime, rapid + 0.5, 1e-9);
    // G82 dwells P at the bottom of each hole, which G81 does not.
    const double g81 = Check("G00 Z10\nG81 X10 Y0 Z-10 R2 F100\nG80\n").result.totals.feedTime;
    EXPECT_NEAR(Check("G00 Z10\nG82 X10 Y0 Z-10 R2 P1000 F100\nG80\n").result.totals.feedTime, g81 + 1.0, 1e-9);
    // A feed at or above RAPID FEEDRATE is booked as rapid class.
    CheckInput input;
    input.rapidFeedrate = 600.0;
    c = Check("G01 X100 F600\n", Metric(), {}, {}, input);
    EXPECT_NEAR(c.result.totals.rapidClassTime, 10.0, 1e-9);
    EXPECT_NEAR(c.result.totals.rapidClassLength, 100.0, 1e-9);
    EXPECT_EQ(c.result.totals.cutClassLength, 0.0);
}

TEST(NcCheck, LengthsOfLinesArcsAndHelices) {
    const Checked c = Check(
        "G17 G01 X10 F100\n"           // 10
        "G03 X20 Y0 I5 J0\n"           // half circle of radius 5 below y = 0: 5 pi
        "G01 Y10 Z-5 F200\n"           // sqrt(10^2 + 5^2)
        "G03 X10 Y20 I-10 J0 Z-8\n"    // quarter of radius 10 down 3: sqrt(3^2 + (5 pi)^2)
        "G00 X0 Y0 Z0\n");             // sqrt(10^2 + 20^2 + 8^2)
    ASSERT_EQ(c.result.error, kNcNoError);
    const MachiningTotals& t = c.result.totals;
    const double feed = 10.0 + 5.0 * kPi + std::sqrt(125.0) + std::sqrt(9.0 + 25.0 * kPi * kPi);
    EXPECT_NEAR(t.feedLength, feed, 1e-9 * feed);
    EXPECT_NEAR(t.rapidLength, std::sqrt(564.0), 1e-9 * std::sqrt(564.0));
    EXPECT_DOUBLE_EQ(t.maxProgramFeed, 200.0);
    EXPECT_DOUBLE_EQ(t.minProgramFeed, 100.0);
    // The half circle reaches y = -5 and the quarter reaches x = 20 at y = 10.
    ExpectExtents(c.result.all, {0, -5, -8}, {20, 20, 0}, "program");
}

TEST(NcCheck, FullCircleExtentsAreItsBoundingBox) {
    // The same extents in the min-max mode, but no statistics.
    for (const int mode : {kCheckData, kCheckMinMax}) {
        CheckInput input;
        input.mode = mode;
        const Checked c = Check("G17 G02 I10 F100\n", Metric(), {}, {}, input);
        ASSERT_EQ(c.result.error, kNcNoError);
        ExpectExtents(c.result.all, {0, -10, 0}, {20, 10, 0}, "all");
        ExpectExtents(c.result.cut, {0, -10, 0}, {20, 10, 0}, "cut");
        EXPECT_NEAR(c.result.totals.feedLength, mode == kCheckData ? 20.0 * kPi : 0.0, 1e-9);
    }
}

TEST(NcCheck, ExtentsInMachineCoordinatesWithTheToolLength) {
    ControllerDef ctl = Metric();
    ctl.work[1] = {100.0f, -50.0f, 0.0f};  // G54
    CheckTools tools;
    tools.haveTable = true;
    tools.defined = {false, false, true};
    tools.length = {0.0, 0.0, 30.0};
    CheckInput input;
    input.initialTool = 2;
    const Checked c = Check("G54 G00 X10 Y5 Z10\n", ctl, {}, tools, input);
    ExpectExtents(c.result.all, {110, -45, -20}, {110, -45, -20}, "G54 and 30 mm tool");

    // A comment of the block may define the tool in use (network tool data),
    // once per block however many comments it holds.
    int offered = 0;
    input.commentTools = [&offered](std::string_view block, int tool, bool& defined, double& length) {
        ++offered;
        EXPECT_NE(block.find("(T2) (again)"), std::string_view::npos);
        defined = true;
        length = 10.0;
        return tool;
    };
    const Checked d = Check("G54 G00 X10 Y5 Z10 (T2) (again)\n", ctl, {}, tools, input);
    EXPECT_EQ(offered, 1);
    ExpectExtents(d.result.all, {110, -45, 0}, {110, -45, 0}, "G54 and a 10 mm tool from a comment");
}

TEST(NcCheck, MissingStartCodeEndsWithError3) {
    ControllerDef ctl = Metric();
    ctl.endOfRecord = '%';
    Checked c = Check("G00 X1\nG01 X2 F100\n", ctl);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.result.error, kNcNoStartCode);
    EXPECT_EQ(c.result.totals.rapidLength, 0.0);

    c = Check("G00 X99\n%\nG00 X1\n%\n", ctl);  // with the marks: only X1 is read
    EXPECT_EQ(c.result.error, kNcNoError);
    EXPECT_NEAR(c.result.totals.rapidLength, 1.0, 1e-12);

    // Any other pending error stops the check at its motion: X50 is never read.
    ControllerDef f0 = Metric();
    f0.checkF0 = true;
    c = Check("G00 X5\nG01 Y5\nG00 X50\n", f0);
    EXPECT_EQ(c.result.error, kNcZeroFeed);
    EXPECT_EQ(c.result.errorLine, 2);
    EXPECT_NEAR(c.result.all.max[0], 5.0, 1e-12);
    // The character check keeps where it stopped, for the message.
    ControllerDef strict = Metric();
    strict.codeCheck = strict.hasCheckChars = true;
    strict.checkChars = "GXF .";
    c = Check("G00 X5\nG00 X6\nG01 X1@ F100\n", strict);
    EXPECT_EQ(std::tuple(c.result.error, c.result.errorLine, c.result.errorColumn, c.result.errorChar),
              std::tuple(kNcInvalidCharacter, 3, 7, '@'));

    CheckInput input;
    input.ncPath = "/nonexistent/morvex/p.nc";
    CheckResult result;
    EXPECT_EQ(CheckProgram(input, ctl, MachineDef{}, CheckTools{}, result), -1);
}

TEST(NcCheck, CodesUsed) {
    ControllerDef ctl = Metric();
    ctl.dOffsets[7] = {1.0f, 0.0f};
    const Checked c = Check("G41 D7 G01 X10 F100\nG40 X20\nG43 H3 G00 Z5\nM03\n", ctl);
    EXPECT_EQ(c.result.d, (std::vector<int>{7}));
    EXPECT_EQ(c.result.h, (std::vector<int>{3}));
    EXPECT_EQ(c.result.m, (std::vector<int>{3}));
    for (const int g : {0, 1, 40, 41, 43}) {
        EXPECT_NE(std::find(c.result.g.begin(), c.result.g.end(), g), c.result.g.end()) << g;
    }
}

TEST(NcCheck, ToolChangesCountByAtcType) {
    // T2, M06, T3, M06 T4: DIRECT changes on each T word (3), WAIT on each
    // M06 (2); with 2.5 s per change.
    const std::string program = "T2\nM06\nT3\nM06 T4\n";
    const struct {
        AtcType type;
        double time;
    } cases[] = {{AtcType::Direct, 7.5}, {AtcType::Wait, 5.0}, {AtcType::Wait2, 5.0}};
    for (const auto& k : cases) {
        MachineDef machine;
        machine.atcType = k.type;
        machine.toolChangeTime = 2.5f;
        const Checked c = Check(program, Metric(), machine);
        EXPECT_NEAR(c.result.totals.rapidTime, k.time, 1e-9) << static_cast<int>(k.type);
        EXPECT_EQ(c.result.tools, (std::vector<int>{2, 3, 4}));
    }
    // Only tools of the table count: T3 is not defined.
    MachineDef machine;
    machine.toolChangeTime = 2.5f;
    CheckTools tools;
    tools.haveTable = true;
    tools.defined = {false, true, true, false};
    tools.length = {0.0, 0.0, 0.0, 0.0};
    const Checked c = Check("T2\nT3\n", Metric(), machine, tools);
    EXPECT_NEAR(c.result.totals.rapidTime, 2.5, 1e-9);
}

}  // namespace
}  // namespace morvex
