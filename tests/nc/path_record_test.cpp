// Arc quantities and the text forms of a motion.
#include "nc/path_record.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

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

// The line as the JSON library would write it, key by key.
std::string LibraryListingLine(const PathRecord& p, int tool) {
    static constexpr const char* kTypes[] = {"rapid", "line", "arc_cw", "arc_ccw"};
    nlohmann::ordered_json j;
    j["line"] = p.line;
    j["type"] = p.type >= 0 && p.type <= 3 ? kTypes[p.type] : p.type == kSpline ? "spline" : "other";
    j["start"] = p.start;
    j["end"] = p.end;
    j["tool_start"] = p.toolStart;
    j["tool_end"] = p.toolEnd;
    if (p.type == kArcCw || p.type == kArcCcw) {
        j["centre"] = p.centre;
        j["tool_centre"] = p.toolCentre;
        j["sweep"] = p.sweep;
        j["arc_length"] = p.arcLength;
        j["radius"] = p.startRadius;
        j["plane"] = p.plane;
        j["sweep_deg"] = p.sweep * 180.0 / kPi;
    }
    j["feed"] = p.feed;
    j["tool"] = tool;
    j["compensated"] = p.compensated;
    return j.dump();
}

// The listing is written without a JSON document, byte for byte as the
// library writes it: whole values, negative zero, the exponent limits, the
// ends of the double range, non-finite values, and random doubles.
TEST(PathRecord, MotionListingLineIsTheLibrarysText) {
    std::vector<double> values = {0.0, -0.0, 1.0, 50.0, -50.0, 0.1, 1.0 / 3.0, 2.0 * kPi, 1e-5, 1e-4,
                                  0.0001234, 9.9999e-5, 1e15, 1e16, 123456789012345.0, 1234567890123456.0,
                                  999999999999999.9, 1e17, 4.1752050594835004e+78, 1e300, 5e-324,
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                                  -9999999.0, 9999999.0, std::numeric_limits<double>::quiet_NaN(),
                                  std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    std::mt19937_64 random(42);
    for (int i = 0; i < 3000; ++i) {
        values.push_back(std::bit_cast<double>(random()));                                  // any bit pattern
        values.push_back(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000) / 1000.0);  // mm
        values.push_back(std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 140) - 90));
    }
    std::size_t next = 0;
    auto take = [&] { return values[next++ % values.size()]; };
    const int types[] = {kRapid, kLine, kArcCw, kArcCcw, kSpline, 7, -1};
    JsonNumberCache numbers;  // shared, as in a listing: values come back, and collide
    for (int i = 0; i < 6000; ++i) {
        PathRecord p;
        p.type = types[i % 7];
        p.line = static_cast<int>(random());
        for (Point* q : {&p.start, &p.end, &p.toolStart, &p.toolEnd, &p.centre, &p.toolCentre}) {
            *q = Point{take(), take(), take()};
        }
        p.sweep = take();
        p.arcLength = take();
        p.startRadius = take();
        p.feed = take();
        p.plane = i % 2 ? 18 : -19;
        p.compensated = i % 3 == 0;
        const int tool = i % 5 == 0 ? std::numeric_limits<int>::min() : static_cast<int>(random() % 3) - 1;
        std::string line;
        AppendMotionListingLine(line, p, tool, numbers);
        ASSERT_EQ(line, LibraryListingLine(p, tool)) << i;
    }
    std::string out = "x";
    AppendMotionListingLine(out, PathRecord{}, 1, numbers);  // appends, keeping what was there
    EXPECT_EQ(out, "x" + LibraryListingLine(PathRecord{}, 1));
    EXPECT_EQ(MotionListingLine(PathRecord{}, 1), LibraryListingLine(PathRecord{}, 1));
}

}  // namespace
}  // namespace morvex
