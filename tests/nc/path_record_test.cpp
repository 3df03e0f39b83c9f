// Arc quantities and the text forms of a motion.
#include "nc/path_record.h"

#include <gtest/gtest.h>

#include <tuple>

#include <nlohmann/json.hpp>

#include "nc/interpreter.h"
#include "support/nc_run.h"

namespace morvex {
namespace {

TEST(PathRecord, ArcQuantitiesInEachDirection) {
    const struct {
        const char* what;
        int type, first, second;
        Point start, end;
        double sweep, length, startRadius, endRadius, startDir0;
    } cases[] = {
        {"start = end: a full circle", kArcCw, 0, 1, {10, 0, 0}, {10, 0, 0}, 2 * kPi, 20 * kPi, 10, 10, 1},
        {"quarter counter-clockwise", kArcCcw, 0, 1, {10, 0, 0}, {0, 10, 5}, kPi / 2, 5 * kPi, 10, 10, 1},
        // The plane length: the tool axis is apart.
        {"quarter clockwise", kArcCw, 0, 1, {10, 0, 0}, {0, 10, 5}, 1.5 * kPi, 15 * kPi, 10, 10, 1},
        {"spiral: the mean radius", kArcCw, 0, 1, {5, 0, 0}, {-7, 0, 0}, kPi, 6 * kPi, 5, 7, 1},
        {"YZ plane: first Y, second Z", kArcCcw, 1, 2, {3, 10, 0}, {3, 0, 10}, kPi / 2, 5 * kPi, 10, 10, 0},
    };
    for (const auto& c : cases) {
        PathRecord p;
        p.type = c.type;
        p.first = c.first;
        p.second = c.second;
        p.third = 3 - c.first - c.second;
        p.start = c.start;
        p.end = c.end;
        p.centre = {0, 0, 0};
        ComputeArcQuantities(p);
        EXPECT_NEAR(p.sweep, c.sweep, 1e-12) << c.what;
        EXPECT_NEAR(p.arcLength, c.length, 1e-9) << c.what;
        EXPECT_EQ(std::tuple(p.startRadius, p.endRadius, p.startDir[0]),
                  std::tuple(c.startRadius, c.endRadius, c.startDir0))
            << c.what;
    }
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
