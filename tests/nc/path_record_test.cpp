// Arc quantities and the text forms of a motion.
#include "nc/path_record.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "nc/interpreter.h"
#include "support/nc_run.h"

namespace morvex {
namespace {

TEST(PathRecord, ArcQuantitiesInEachDirection) {
    PathRecord p;
    p.type = kArcCw;
    p.start = {10, 0, 0};
    p.end = {10, 0, 0};
    p.centre = {0, 0, 0};
    ComputeArcQuantities(p);
    EXPECT_DOUBLE_EQ(p.sweep, 2 * kPi);  // start and end coincide: a full circle
    EXPECT_NEAR(p.arcLength, 2 * kPi * 10, 1e-12);
    EXPECT_DOUBLE_EQ(p.startDir[0], 1.0);

    // A quarter from +X to +Y: counter-clockwise short, clockwise long.
    p.end = {0, 10, 5};
    p.type = kArcCcw;
    ComputeArcQuantities(p);
    EXPECT_NEAR(p.sweep, kPi / 2, 1e-12);
    p.type = kArcCw;
    ComputeArcQuantities(p);
    EXPECT_NEAR(p.sweep, 1.5 * kPi, 1e-12);
    EXPECT_NEAR(p.arcLength, 15 * kPi, 1e-9);  // the plane length; the tool axis is apart

    // A spiral: radii 5 and 7 give the mean radius for the length.
    p.start = {5, 0, 0};
    p.end = {-7, 0, 0};
    ComputeArcQuantities(p);
    EXPECT_DOUBLE_EQ(p.startRadius, 5.0);
    EXPECT_DOUBLE_EQ(p.endRadius, 7.0);
    EXPECT_NEAR(p.arcLength, 6.0 * kPi, 1e-9);

    // In the YZ plane the first axis is Y and the second Z.
    PathRecord yz;
    yz.first = 1;
    yz.second = 2;
    yz.third = 0;
    yz.type = kArcCcw;
    yz.start = {3, 10, 0};
    yz.end = {3, 0, 10};
    ComputeArcQuantities(yz);
    EXPECT_NEAR(yz.sweep, kPi / 2, 1e-12);
    EXPECT_DOUBLE_EQ(yz.startDir[0], 0.0);
}

TEST(PathRecord, StatusAndPointQueryTexts) {
    PathRecord p;
    p.line = 42;
    p.end = {1.5, -2.25, 100};
    p.feed = 250;
    p.type = kRapid;
    EXPECT_EQ(StatusLineText(p), "\t\t42:RAPID:    1.500,   -2.250,  100.000");
    EXPECT_EQ(PointQueryText(p), "42: RAPID        1.500,   -2.250,  100.000");
    p.type = kArcCcw;
    EXPECT_EQ(StatusLineText(p), "\t\t42:ARC(CCW):    1.500,   -2.250,  100.000 , FEED=  250.000");
    EXPECT_EQ(PointQueryText(p), "42: ARC(CCW)     1.500,   -2.250,  100.000");
    p.type = kSpline;
    EXPECT_EQ(PointQueryText(p), "42: OTHER        1.500,   -2.250,  100.000");
}

// The listing line keeps its keys, and its numbers read back to the same
// doubles: a mirrored arc shows its programmed and its tool-frame centre.
TEST(PathRecord, MotionListingLineReadsBack) {
    ControllerDef ctl;
    ctl.decimalPoint = 3;
    const test::Interpreted r =
        test::Interpret("G51.1 X0\nG02 X10 Y0 I5 J0 F250\nG01 X0.1 Y0.3333333333333333 F100\n", ctl);
    ASSERT_EQ(r.motions.size(), 3u);
    const auto line = nlohmann::json::parse(MotionListingLine(r.motions[2], 7));
    EXPECT_EQ(line["end"][0].get<double>(), 0.1);
    EXPECT_EQ(line["end"][1].get<double>(), 0.3333333333333333);
    EXPECT_EQ(line["end"][1].get<double>(), r.motions[2].end[1]);
    EXPECT_EQ(line["tool_end"][0].get<double>(), -0.1);  // mirrored about X0
    EXPECT_EQ(line["tool"], 7);
    EXPECT_EQ(line["compensated"], false);
    EXPECT_FALSE(line.contains("centre"));

    const PathRecord& p = r.motions[1];
    const auto arc = nlohmann::json::parse(MotionListingLine(p, 7));
    for (const char* key : {"line", "type", "start", "end", "tool_start", "tool_end", "centre", "tool_centre",
                            "sweep", "arc_length", "feed", "tool", "compensated"}) {
        EXPECT_TRUE(arc.contains(key)) << key;
    }
    EXPECT_EQ(arc["line"], 2);
    EXPECT_EQ(arc["type"], "arc_ccw");  // one plane axis mirrored: the arc turns over
    EXPECT_EQ(arc["feed"].get<double>(), 250.0);
    EXPECT_EQ(arc["tool_end"][0].get<double>(), -10.0);
    EXPECT_EQ(arc["centre"][0].get<double>(), 5.0);
    EXPECT_EQ(arc["tool_centre"][0].get<double>(), -5.0);
    EXPECT_EQ(arc["tool_centre"][1].get<double>(), arc["centre"][1].get<double>());
    EXPECT_EQ(arc["sweep"].get<double>(), p.sweep);
    EXPECT_EQ(arc["arc_length"].get<double>(), p.arcLength);
    EXPECT_NEAR(arc["sweep_deg"].get<double>() * kPi / 180.0, p.sweep, 1e-12);
}

}  // namespace
}  // namespace morvex
