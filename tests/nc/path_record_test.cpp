// Arc quantities and the text forms of a motion.
#include "nc/path_record.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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
    p.type = kLine;
    p.type = kArcCw;
    p.centre = {0.5, 0, 100};
    const auto arc = nlohmann::json::parse(MotionListingLine(p));
    EXPECT_EQ(arc["type"], "arc_cw");
    EXPECT_EQ(arc["line"], 42);
    EXPECT_DOUBLE_EQ(arc["end"][1].get<double>(), -2.25);
    EXPECT_TRUE(arc.contains("sweep_deg"));
    p.type = kLine;
    EXPECT_EQ(MotionListingLine(p),
              "{\"line\": 42, \"type\": \"line\", \"start\": [0.0000, 0.0000, 0.0000], \"end\": "
              "[1.5000, -2.2500, 100.0000], \"feed\": 250.000, \"tool_end\": [0.0000, 0.0000, 0.0000]}");
}

}  // namespace
}  // namespace morvex
