#include "results/optimized_nc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

OptimizeFeeds Table() {
    ToolDef t;
    OptFeedSlot& a = t.optF[0];
    a.set = true;
    a.first = 100.0f;  // above load 5
    a.pairCount = 2;
    a.a = {5.0f, 2.0f};
    a.b = {200.0f, 400.0f};  // above 2, and at most 2
    return OptimizeFeedsOf(1, t, {3000.0f, 3000.0f, 2000.0f});
}

OptimizeStep Step(long long motion, int line, Point end, bool cut, double load, bool blockEnd = false) {
    OptimizeStep s;
    s.motion = motion;
    s.line = line;
    s.end = end;
    s.cut = cut;
    s.load = load;
    s.feed = 500.0;
    s.cutClass = cut ? 0 : -1;
    s.blockEnd = blockEnd;
    return s;
}

// Both outputs in dir, the cut data as text, millimetres to 0.001, over a
// work whose top is at 10.
bool OpenTextOutputs(OptimizedOutput& out, const TempDir& dir) {
    OptimizeOptions o;
    o.cutData = kCutDataText;
    const bool open = OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, '%'}, dir.Path("OPTNC.NC"),
                                           dir.Path("CUTDATA.TXT"), 1);
    out.workTop = 10.0;
    return open;
}

TEST(OptimizedNc, NumbersAndFeedChoice) {
    const OptimizeFormat mm{1000, true, '%'};
    EXPECT_EQ(FormatCounts("X", ToCounts(12.5, 1000), mm), "X12.5");
    EXPECT_EQ(FormatCounts("X", 0, mm), "X0.0");
    EXPECT_EQ(FormatCounts("X", ToCounts(1.25, 1000), mm), "X1.25");
    EXPECT_EQ(FormatCounts("X", ToCounts(0.001, 1000), mm), "X0.001");
    EXPECT_EQ(FormatCounts("Y", ToCounts(-0.0005, 1000), mm), "Y-0.001");  // half away from zero
    EXPECT_EQ(FormatCounts("Z", ToCounts(0.0001, 10000), OptimizeFormat{10000, true, ' '}), "Z0.0001");
    EXPECT_EQ(FormatCounts("Z", ToCounts(2.5, 100), OptimizeFormat{100, true, ' '}), "Z2.5");
    EXPECT_EQ(FormatCounts("X", ToCounts(12.5, 1000), OptimizeFormat{1000, false, ' '}), "X12500");
    // Every unit of a power of ten: the fixed form of the value, trailing
    // zeros cut down to one decimal, over many magnitudes and signs.
    std::mt19937_64 random(11);
    for (const int units : {10, 100, 1000, 10000, 100000}) {
        int decimals = 0;
        for (int u = units; u > 1; u /= 10) ++decimals;
        for (int i = 0; i < 20000; ++i) {
            const long long counts = static_cast<long long>(random() % 2000000000000ULL) / (1LL << (i % 40)) *
                                     (i % 3 == 0 ? -1 : 1);
            char buf[64];
            const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(counts) / units,
                                         std::chars_format::fixed, decimals);
            std::string want(buf, r.ptr);
            while (want.size() > want.find('.') + 2 && want.back() == '0') want.pop_back();
            if (counts == 0) want = "0.0";
            ASSERT_EQ(FormatCounts("X", counts, OptimizeFormat{units, true, ' '}), "X" + want) << counts << " " << units;
        }
    }

    const OptimizeFeeds f = Table();
    EXPECT_EQ(f.minOptF, 100.0);
    EXPECT_EQ(f.maxOptF, 400.0);
    EXPECT_EQ(OptimalFeed(f, 0, 6.0, 500.0), 100);
    EXPECT_EQ(OptimalFeed(f, 0, 3.0, 500.0), 200);
    EXPECT_EQ(OptimalFeed(f, 0, 2.0, 500.0), 400);
    EXPECT_EQ(OptimalFeed(f, 1, 3.0, 500.0), 200);  // no V table: table A
    EXPECT_EQ(OptimalFeed(OptimizeFeeds{}, 1, 3.0, 512.7), 512);
    const OptimizeFeeds none = OptimizeFeedsOf(2, ToolDef{}, {3000.0f, 4000.0f, 2000.0f});
    EXPECT_EQ(none.minOptF, 50.0);
    EXPECT_EQ(none.maxOptF, 4000.0);
}

TEST(OptimizedNc, RunsMergeSplitEscapeAndEnd) {
    TempDir dir;
    OptimizedOutput out;
    ASSERT_TRUE(OpenTextOutputs(out, dir));
    out.clearance = [](const Point&, const Point&, double) { return 13.0; };
    BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
    // Motion 1 (line 2): two steps under load 3 merge; load 6 splits the block.
    AddOptimisedStep(out, Step(1, 2, {1, 0, 5}, true, 3.0), Table());
    AddOptimisedStep(out, Step(1, 2, {2, 0, 5}, true, 3.0), Table());
    AddOptimisedStep(out, Step(1, 2, {3, 0, 5}, true, 6.0, true), Table());
    // Motion 2 (line 3): air, escaped; motion 3 (line 4) cuts again.
    AddOptimisedStep(out, Step(2, 3, {20, 0, 5}, false, 0.0, true), Table());
    AddOptimisedStep(out, Step(3, 4, {21, 0, 5}, true, 1.0, true), Table());
    ASSERT_TRUE(CloseOptimisedOutputs(out, false));
    EXPECT_EQ(TempDir::Read(dir.Path("OPTNC.NC")),
              "%\n"
              "G92X0.0Y0.0Z5.0\n"
              "G01X2.0F200\n"
              "X3.0F100\n"
              "G00Z13.0\n"  // the escape: up over the work, across, down to 2 mm above
              "X20.0\n"
              "Z7.0\n"
              "G01Z5.0\n"  // the rest at the feed in force, the lowest after an escape
              "X21.0\n"
              "%\n");
    const std::string data = TempDir::Read(dir.Path("CUTDATA.TXT"));
    EXPECT_NE(data.find("G92X0.000000Y0.000000Z5.000000\n"), std::string::npos);
    EXPECT_NE(data.find("N2(0000)G01X1.000000Y0.000000Z5.000000F500(A3.000000F200)\n"), std::string::npos);
    EXPECT_NE(data.find("N3(0001)G01X20.000000Y0.000000Z5.000000(N)\n"), std::string::npos);
}

// The retract height taken before the motion after an escape cut anything
// is the one written: asked when that motion's first cut is heard, the
// work may already be cut lower near the path. Air going on into that
// motion ends the escape elsewhere: the height is asked then.
TEST(OptimizedNc, EscapeHeightTakenBeforeTheNextMotionCuts) {
    for (const bool airGoesOn : {false, true}) {
        TempDir dir;
        OptimizedOutput out;
        ASSERT_TRUE(OpenTextOutputs(out, dir));
        double now = 13.0;
        out.clearance = [&now](const Point&, const Point&, double) { return now; };
        BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
        AddOptimisedStep(out, Step(1, 2, {3, 0, 5}, true, 3.0, true), Table());
        AddOptimisedStep(out, Step(2, 3, {20, 0, 5}, false, 0.0, true), Table());
        PrepareEscapeClearance(out);  // before motion 3 is swept
        now = 8.0;                    // motion 3 took away what stood near the path
        if (airGoesOn) AddOptimisedStep(out, Step(3, 4, {20.5, 0, 5}, false, 0.0), Table());
        AddOptimisedStep(out, Step(3, 4, {21, 0, 5}, true, 1.0, true), Table());
        ASSERT_TRUE(CloseOptimisedOutputs(out, false));
        const std::string nc = TempDir::Read(dir.Path("OPTNC.NC"));
        EXPECT_NE(nc.find(airGoesOn ? "G00Z8.0\n" : "G00Z13.0\n"), std::string::npos) << nc;
    }
}

// Escapes never leave the program's path nor rapid into the work: one
// too short to write (same line, within the escape width) writes the air
// as programmed, the arc with its own centre; one that ends the program
// below the work's top goes over the work first; and one with more
// pieces than are kept is written as an escape.
TEST(OptimizedNc, EscapesKeepThePathAndClearTheWork) {
    TempDir dir;
    auto run = [&](auto&& steps, int optCut = kOptCutOptimize, int optAircut = kOptAirEscape) {
        OptimizedOutput out;
        OptimizeOptions o;
        o.optCut = optCut;
        o.optAircut = optAircut;
        o.escapeWidth = 10.0;
        EXPECT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), "", 1));
        out.workTop = 0.0;
        out.clearance = [](const Point&, const Point&, double) { return 3.0; };
        BeginOptimisedOutput(out, {0.0, 0.0, -1.0});
        steps(out);
        EXPECT_TRUE(CloseOptimisedOutputs(out, false));
        return TempDir::Read(dir.Path("OPTNC.NC"));
    };
    const std::string gap = run([](OptimizedOutput& out) {
        AddOptimisedStep(out, Step(1, 2, {4, 0, -1}, true, 3.0), Table());
        // Line 2 goes on into the air over a corner, then an arc of line 2 (centre (9, 2)).
        AddOptimisedStep(out, Step(1, 2, {5, 0, -1}, false, 0.0, true), Table());
        OptimizeStep up = Step(2, 2, {5, 2, -1}, false, 0.0, true);
        AddOptimisedStep(out, up, Table());
        for (const Point end : {Point{6.0, 4.0, -1.0}, Point{9.0, 6.0, -1.0}}) {
            OptimizeStep arc = Step(3, 2, end, end[0] > 7.0, 3.0, end[0] > 7.0);
            arc.type = kArcCw;
            arc.centre = {9.0, 2.0, -1.0};
            AddOptimisedStep(out, arc, Table());
        }
    });
    EXPECT_EQ(gap,
              "G92X0.0Y0.0Z-1.0\n"
              "G01X4.0F200\n"
              "X5.0F500\n"  // the air as programmed, at its own feed
              "Y2.0\n"
              "G17G02X6.0Y4.0I4.0\n"
              "X9.0Y6.0I3.0J-2.0F100\n");  // the same centre from the new start
    // The escape width bounds the X and the Y travel each: a diagonal gap
    // 8 by 8 (11.3 long) stays as programmed, one 11 along X escapes.
    for (const double x : {12.0, 15.0}) {
        const std::string diagonal = run([x](OptimizedOutput& out) {
            AddOptimisedStep(out, Step(1, 2, {4, 0, -1}, true, 3.0), Table());
            AddOptimisedStep(out, Step(1, 2, {x, 8, -1}, false, 0.0), Table());
            AddOptimisedStep(out, Step(1, 2, {x + 1.0, 9, -1}, true, 3.0, true), Table());
        });
        EXPECT_EQ(diagonal.find("G00") == std::string::npos, x < 13.0) << diagonal;
    }
    const std::string end = run([](OptimizedOutput& out) {
        AddOptimisedStep(out, Step(1, 2, {4, 0, -1}, true, 3.0, true), Table());
        AddOptimisedStep(out, Step(2, 3, {4, 0, 5}, false, 0.0, true), Table());
        AddOptimisedStep(out, Step(3, 4, {-20, -20, 5}, false, 0.0, true), Table());
        AddOptimisedStep(out, Step(4, 5, {-20, -20, -5}, false, 0.0, true), Table());
    });
    EXPECT_EQ(end,
              "G92X0.0Y0.0Z-1.0\n"
              "G01X4.0F200\n"
              "G00Z3.0\n"  // over the work first, down only beside it
              "X-20.0Y-20.0\n"
              "Z-5.0\n");
    // Ending straight under the tool: straight down, no detour over the work.
    const std::string under = run([](OptimizedOutput& out) {
        AddOptimisedStep(out, Step(1, 2, {4, 0, -1}, true, 3.0, true), Table());
        AddOptimisedStep(out, Step(2, 3, {4, 0, -2}, false, 0.0, true), Table());
    });
    EXPECT_EQ(under,
              "G92X0.0Y0.0Z-1.0\n"
              "G01X4.0F200\n"
              "G00Z-2.0\n");
    // Cutting runs escaped, air kept: a rapid into the work within its line
    // goes on at the programmed feed, as the cut data says, not at the
    // machine's highest.
    const std::string plunge = run(
        [](OptimizedOutput& out) {
            OptimizeStep air = Step(1, 3, {0, 0, 0}, false, 0.0);
            air.type = kRapid;
            air.feed = 300.0;
            AddOptimisedStep(out, air, Table());
            OptimizeStep in = air;
            in.end[2] = -1.0;
            in.cut = true;
            in.cutClass = 1;
            in.blockEnd = true;
            AddOptimisedStep(out, in, Table());
            OptimizeStep up = Step(2, 4, {0, 0, 5}, false, 0.0, true);
            up.type = kRapid;
            AddOptimisedStep(out, up, Table());
        },
        kOptCutEscape, kOptAirNo);
    EXPECT_EQ(plunge,
              "G92X0.0Y0.0Z-1.0\n"
              "G01Z0.0F3000\n"  // the air at the machine's highest
              "Z-1.0F300\n"
              "Z5.0F3000\n");
    // A cutting feed step escaped within its line goes on at its programmed
    // feed too, not at the machine's highest that the air gets.
    const std::string feedIn = run(
        [](OptimizedOutput& out) {
            AddOptimisedStep(out, Step(1, 3, {0, 0, 0}, false, 0.0), Table());
            OptimizeStep in = Step(2, 3, {0, 0, -1}, true, 3.0, true);
            in.feed = 300.0;
            in.cutClass = 1;
            AddOptimisedStep(out, in, Table());
            AddOptimisedStep(out, Step(3, 4, {0, 0, 5}, false, 0.0, true), Table());
        },
        kOptCutEscape, kOptAirMaxMachineF);
    EXPECT_EQ(feedIn,
              "G92X0.0Y0.0Z-1.0\n"
              "G01Z0.0F3000\n"
              "Z-1.0F300\n"
              "Z5.0F3000\n");
    const std::string many = run([](OptimizedOutput& out) {
        AddOptimisedStep(out, Step(1, 2, {4, 0, -1}, true, 3.0), Table());
        for (long long k = 0; k < 5000; ++k) {
            AddOptimisedStep(out, Step(2 + k, 2, {4.0 + static_cast<double>(k % 2), 0, -1}, false, 0.0), Table());
        }
        AddOptimisedStep(out, Step(9000, 2, {6, 0, -1}, true, 3.0, true), Table());
    });
    EXPECT_EQ(many,
              "G92X0.0Y0.0Z-1.0\n"
              "G01X4.0F200\n"
              "G00Z3.0\n"
              "X5.0\n"
              "Z1.0\n"
              "G01Z-1.0F100\n"
              "X6.0\n");
}

// Values beyond the fast six-decimal writer take printf's "%f", cut to
// 191 characters, in the same line as the others.
// Vertical rapids of an escape stop above what a rapid profile wider than
// the cutter (or the rounding of the written position) meets beside the
// tool: up at the feed in force first, and down only to that floor, the
// run after it feeding the rest. An escape back over where it started
// goes straight up or down there, and one over cuts it leaves standing
// (OPT-CUT=ESCAPE) travels above them.
TEST(OptimizedNc, EscapeRapidsStopAboveMaterialBeside) {
    TempDir dir;
    auto run = [&](double startFloor, double endFloor, auto&& steps, int optCut = kOptCutOptimize) {
        OptimizedOutput out;
        OptimizeOptions o;
        o.optCut = optCut;
        o.optAircut = optCut == kOptCutEscape ? kOptAirNo : kOptAirEscape;
        o.escapeWidth = 0.0;
        EXPECT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), "", 1));
        out.workTop = 0.0;
        out.clearance = [](const Point&, const Point&, double margin) { return margin; };
        // The floor at the escape's start (X4) and at its end (X20). At the
        // start the tool stands where the run written before it ended.
        out.rapidFloor = [=](const Point& exact, const Point& written, double, double, bool cleared, bool) {
            EXPECT_TRUE(cleared);
            EXPECT_NEAR(exact[0], written[0], 0.0005);
            if (written[0] < 10.0) {
                EXPECT_EQ(exact, written);
            }
            return written[0] < 10.0 ? startFloor : endFloor;
        };
        BeginOptimisedOutput(out, {0.0, 0.0, -8.0});
        steps(out);
        EXPECT_TRUE(CloseOptimisedOutputs(out, false));
        return TempDir::Read(dir.Path("OPTNC.NC"));
    };
    auto across = [](OptimizedOutput& out) {
        AddOptimisedStep(out, Step(1, 2, {4, 0, -8}, true, 3.0, true), Table());
        AddOptimisedStep(out, Step(2, 3, {20, 0, -8}, false, 0.0, true), Table());
        AddOptimisedStep(out, Step(3, 4, {21, 0, -8}, true, 3.0, true), Table());
    };
    const double none = -std::numeric_limits<double>::infinity();
    EXPECT_EQ(run(none, none, across),
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F200\n"
              "G00Z3.0\n"
              "X20.0\n"
              "Z-6.0\n"
              "G01Z-8.0F100\n"  // the run after an escape at the lowest feed
              "X21.0\n");
    EXPECT_EQ(run(-2.5, -1.25, across),
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F200\n"
              "Z-2.5\n"  // up at the feed in force while the rapid would meet the wall
              "G00Z3.0\n"
              "X20.0\n"
              "Z-1.25\n"  // down no lower than the floor there, and never rapid below it
              "G01Z-8.0F100\n"  // the run after an escape at the lowest feed
              "X21.0\n");
    // The closing escape too.
    EXPECT_EQ(run(none, -2.0,
                  [](OptimizedOutput& out) {
                      AddOptimisedStep(out, Step(1, 2, {4, 0, -8}, true, 3.0, true), Table());
                      AddOptimisedStep(out, Step(2, 3, {20, 0, -8}, false, 0.0, true), Table());
                  }),
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F200\n"
              "G00Z3.0\n"
              "X20.0\n"
              "Z-2.0\n"
              "G01Z-8.0\n");
    // Back over the start: straight down there, no retract over the work.
    EXPECT_EQ(run(none, none,
                  [](OptimizedOutput& out) {
                      AddOptimisedStep(out, Step(1, 2, {4, 0, -8}, true, 3.0, true), Table());
                      AddOptimisedStep(out, Step(2, 3, {4, 0, -4}, false, 0.0, true), Table());
                      AddOptimisedStep(out, Step(3, 4, {4, 0, -12}, false, 0.0, true), Table());
                      AddOptimisedStep(out, Step(4, 5, {5, 0, -12}, true, 3.0, true), Table());
                  }),
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F200\n"
              "G00\n"
              "Z-10.0\n"
              "G01Z-12.0F100\n"
              "X5.0\n");
    // Straight up there beside a wall: at the feed all the way.
    EXPECT_EQ(run(0.01, none,
                  [](OptimizedOutput& out) {
                      AddOptimisedStep(out, Step(1, 2, {4, 0, -8}, true, 3.0, true), Table());
                      AddOptimisedStep(out, Step(2, 3, {4, 0, -5}, false, 0.0, true), Table());
                      AddOptimisedStep(out, Step(3, 4, {5, 0, -5}, true, 3.0, true), Table());
                  }),
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F200\n"
              "Z-5.0\n"
              "X5.0F100\n");
    // Cuts escaped leave their material: the travel goes over the highest
    // of it, and the air kept after it comes down into it at the table's
    // lowest feed, not at its own (the programmed 500).
    const std::string skipped = run(
        none, none,
        [](OptimizedOutput& out) {
            AddOptimisedStep(out, Step(1, 2, {4, 0, -8}, false, 0.0, true), Table());
            OptimizeStep cut = Step(2, 3, {20, 0, -8}, true, 3.0, true);
            cut.highestCut = 6.0;
            AddOptimisedStep(out, cut, Table());
            AddOptimisedStep(out, Step(3, 4, {21, 0, -8}, false, 0.0, true), Table());
        },
        kOptCutEscape);
    EXPECT_EQ(skipped,
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0F500\n"
              "G00Z9.0\n"
              "X20.0\n"
              "Z6.01\n"
              "G01Z-8.0F100\n"
              "X21.0F500\n");
    // A program ending in cuts it escaped ends where it ended, over the
    // material they left and then down into it at that feed: no rapid
    // straight down into it, nor a feed move at the air's.
    const std::string ends = run(
        none, none,
        [](OptimizedOutput& out) {
            OptimizeStep air = Step(1, 2, {4, 0, 0}, false, 0.0, true);
            air.type = kRapid;
            AddOptimisedStep(out, air, Table());
            OptimizeStep plunge = Step(2, 3, {4, 0, -3}, true, 3.0, true);
            plunge.highestCut = 0.0;
            AddOptimisedStep(out, plunge, Table());
        },
        kOptCutEscape);
    EXPECT_EQ(ends,
              "G92X0.0Y0.0Z-8.0\n"
              "G01X4.0Z0.0F3000\n"
              "G00Z3.0\n"
              "Z0.01\n"
              "G01Z-3.0F100\n");
}

// With OPT-CUT=ESCAPE the cuts escaped leave their material in the
// written program: air kept where it stands is fed at the table's lowest
// feed, and later escapes travel over it and come down above it, however
// high it stands against the cuts they skip themselves.
TEST(OptimizedNc, WhatEscapedCutsLeftIsCutAtTheLowestFeedAndEscapedOver) {
    TempDir dir;
    struct Left {
        double x0, x1, top;
    };
    std::vector<Left> marks;
    OptimizedOutput out;
    OptimizeOptions o;
    o.optCut = kOptCutEscape;
    o.optAircut = kOptAirMaxMachineF;
    o.escapeWidth = 0.0;
    ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), "", 1));
    out.workTop = 10.0;
    out.clearance = [](const Point&, const Point&, double margin) { return margin; };
    // Along Y 0 only, a cutter of reach 1.
    out.markLeft = [&](const Point& a, const Point& b, double top) {
        marks.push_back({std::min(a[0], b[0]) - 1.0, std::max(a[0], b[0]) + 1.0, top});
    };
    out.leftNear = [&](const Point& a, const Point& b, bool) {
        double top = -std::numeric_limits<double>::infinity();
        for (const Left& m : marks) {
            if (std::max(a[0], b[0]) + 1.0 >= m.x0 && std::min(a[0], b[0]) - 1.0 <= m.x1) top = std::max(top, m.top);
        }
        return top;
    };
    BeginOptimisedOutput(out, {0.0, 0.0, 8.0});
    auto cut = [&](long long n, Point end, double highest) {
        OptimizeStep s = Step(n, static_cast<int>(n), end, true, 3.0, true);
        s.highestCut = highest;
        AddOptimisedStep(out, s, Table());
    };
    auto air = [&](long long n, Point end) {
        AddOptimisedStep(out, Step(n, static_cast<int>(n), end, false, 0.0, true), Table());
    };
    cut(1, {10, 0, 8}, 9.0);  // a slot skipped, 1 deep
    air(2, {10, 0, 12});      // up out of it
    air(3, {5, 0, 12});       // back over it
    air(4, {5, 0, 8});        // down into it
    air(5, {30, 0, 8});       // along it and beyond
    cut(6, {40, 0, 5}, 6.0);  // skipped, its own material no higher than 6
    air(7, {40, 0, 12});
    cut(8, {3, 0, 5}, 6.0);   // skipped: the escape to it goes over the slot
    air(9, {3, 0, 12});
    ASSERT_TRUE(CloseOptimisedOutputs(out, false));
    EXPECT_EQ(TempDir::Read(dir.Path("OPTNC.NC")),
              "G92X0.0Y0.0Z8.0\n"
              "G01Z9.01F500\n"  // out of what the slot left, at the feed
              "G00Z12.0\n"
              "X10.0\n"
              "Z10.0\n"
              "G01Z8.0F100\n"  // into it at the lowest feed
              "Z12.0\n"
              "X5.0F3000\n"  // the air above it at the machine's highest
              "Z8.0F100\n"
              "X30.0\n"
              "G00Z9.0\n"
              "X40.0\n"
              "Z7.0\n"
              "G01Z5.0\n"
              "Z12.0\n"
              "G00\n"  // across over the slot's 9
              "X3.0\n"
              "Z9.01\n"  // and down no lower than just above it
              "G01Z5.0\n"
              "Z12.0\n");
}

// Escaped steps one after the other along a line are marked as one path
// of up to a millimetre with the highest of their tops, a plunge as one
// point; every read of the marks sees the steps marked so far.
TEST(OptimizedNc, EscapedStepsAlongALineAreMarkedTogether) {
    TempDir dir;
    struct Mark {
        Point from, to;
        double top;
    };
    std::vector<Mark> marks;
    OptimizedOutput out;
    OptimizeOptions o;
    o.optCut = kOptCutEscape;
    o.optAircut = kOptAirNo;
    ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), "", 1));
    out.workTop = 10.0;
    out.clearance = [](const Point&, const Point&, double margin) { return margin; };
    out.markLeft = [&](const Point& a, const Point& b, double top) { marks.push_back({a, b, top}); };
    std::size_t seen = 0;
    out.leftNear = [&](const Point&, const Point&, bool) {
        seen = marks.size();
        return -std::numeric_limits<double>::infinity();
    };
    BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
    for (int i = 1; i <= 25; ++i) {  // 2.5 mm along X in steps of 0.1, rising
        OptimizeStep s = Step(1, 2, {0.1 * i, 0, 5}, true, 3.0, i == 25);
        s.highestCut = 5.0 + 0.01 * i;
        AddOptimisedStep(out, s, Table());
    }
    for (int i = 1; i <= 5; ++i) {  // down at the end
        OptimizeStep s = Step(2, 3, {2.5, 0, 5.0 - i}, true, 3.0, i == 5);
        s.highestCut = 5.0;
        AddOptimisedStep(out, s, Table());
    }
    AddOptimisedStep(out, Step(3, 4, {2.5, 0, 20}, false, 0.0, true), Table());
    ASSERT_EQ(marks.size(), 4u);
    EXPECT_EQ(seen, 4u);  // the air step read them all
    const double tops[] = {5.10, 5.20, 5.25, 5.0};
    const double ends[] = {1.0, 2.0, 2.5, 2.5};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(marks[k].to[0], ends[k], 1e-9) << k;
        EXPECT_NEAR(marks[k].top, tops[k], 1e-9) << k;
    }
    EXPECT_NEAR(marks[3].from[2], 5.0, 1e-9);
    EXPECT_NEAR(marks[3].to[2], 0.0, 1e-9);
    ASSERT_TRUE(CloseOptimisedOutputs(out, false));
}

// A program that changes tools changes them in its optimised NC too, in
// the machine's own words, after what was pending is written; the tool
// then stands where the change left it, so the escape after it writes
// every word, travels above the work's top, and first rises at the feed
// out of whatever its rapid profile meets there (it cleared nothing yet).
TEST(OptimizedNc, ToolChangesAreWritten) {
    TempDir dir;
    auto run = [&](OptimizeFormat format, double changeZ) {
        OptimizedOutput out;
        EXPECT_TRUE(OpenOptimisedOutputs(out, OptimizeOptions{}, format, dir.Path("OPTNC.NC"), "", 1));
        out.workTop = 0.0;
        out.clearance = [](const Point&, const Point&, double margin) { return margin; };
        out.rapidFloor = [](const Point&, const Point&, double, double, bool cleared, bool) {
            return cleared ? -std::numeric_limits<double>::infinity() : 1.0;
        };
        BeginOptimisedOutput(out, {0.0, 0.0, 50.0});
        auto step = [&](int tool, Point end, bool cut) {
            OptimizeStep s = Step(tool, 2 + tool, end, cut, 3.0, true);
            s.tool = tool;
            AddOptimisedStep(out, s, Table());
        };
        step(1, {4, 0, -2}, true);  // the tool the run starts with: no change
        if (changeZ > 0.0) step(1, {4, 0, changeZ}, false);
        ChangeOptimisedTool(out, 4);  // as the run tells it, before the new tool's steps
        step(4, {8, 0, -2}, false);
        step(4, {8, 0, -3}, true);
        EXPECT_TRUE(CloseOptimisedOutputs(out, false));
        return TempDir::Read(dir.Path("OPTNC.NC"));
    };
    EXPECT_EQ(run(OptimizeFormat{1000, true, ' ', 1, true}, 20.0),
              "G92X0.0Y0.0Z50.0\n"
              "G01X4.0Z-2.0F200\n"
              "Z20.0F500\n"  // air of the same line, as programmed
              "T4M06\n"
              "G00Z20.0\n"  // every word again
              "X8.0Y0.0\n"
              "Z0.0\n"
              "G01Z-2.0F100\n"
              "Z-3.0\n");
    // Changed down in the work: up at the feed first, then above the top.
    EXPECT_EQ(run(OptimizeFormat{1000, true, ' ', 1, true}, 0.0),
              "G92X0.0Y0.0Z50.0\n"
              "G01X4.0Z-2.0F200\n"
              "T4M06\n"
              "G01Z1.0\n"
              "G00Z3.0\n"
              "X8.0Y0.0\n"
              "Z0.0\n"
              "G01Z-2.0F100\n"
              "Z-3.0\n");
    const std::string direct = run(OptimizeFormat{1000, true, ' ', 100, false}, 20.0);
    EXPECT_NE(direct.find("\nT400\nG00Z20.0\n"), std::string::npos) << direct;
}

TEST(OptimizedNc, CutDataLinesOfValuesBeyondTheFastWriter) {
    TempDir dir;
    OptimizedOutput out;
    OptimizeOptions o;
    o.cutData = kCutDataText;
    o.optNc = kOptNcNo;
    ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, '%'}, "", dir.Path("CUTDATA.TXT"), 1));
    BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
    AddOptimisedStep(out, Step(1, 2, {1e13, -0.0000004, 1e300}, true, 3.0), Table());
    AddOptimisedStep(out, Step(2, 7, {1.5, 2.25, -3.125}, false, 0.0, true), Table());
    ASSERT_TRUE(CloseOptimisedOutputs(out, false));
    char huge[400];
    std::snprintf(huge, sizeof huge, "%f", 1e300);
    const std::string z = std::string(huge).substr(0, 191);
    const std::string data = TempDir::Read(dir.Path("CUTDATA.TXT"));
    EXPECT_NE(data.find("N2(0000)G01X10000000000000.000000Y-0.000000Z" + z + "F500(A3.000000F"), std::string::npos)
        << data.substr(0, 400);
    EXPECT_NE(data.find("\nN7(0001)G01X1.500000Y2.250000Z-3.125000(N)\n"), std::string::npos);
}

// A run long enough for the cut data's writer thread: the leading
// delimiter and start line, every step's line in order (those handed to the
// thread in chunks and those formatted at the close), then the delimiter.
TEST(OptimizedNc, LongCutDataKeepsItsLinesInOrder) {
    TempDir dir;
    OptimizedOutput out;
    ASSERT_TRUE(OpenTextOutputs(out, dir));
    BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
    const int steps = 3 * static_cast<int>(kCutRecordChunk) + 77;
    for (int i = 1; i <= steps; ++i) AddOptimisedStep(out, Step(i, i, {0.5 * i, 1.0, 5}, true, 3.0, true), Table());
    ASSERT_TRUE(CloseOptimisedOutputs(out, false));
    const std::string data = TempDir::Read(dir.Path("CUTDATA.TXT"));
    ASSERT_EQ(data.rfind("%\nG92X0.000000Y0.000000Z5.000000\nN1(0001)G01X0.500000Y1.000000Z5.000000F500(A3.", 0), 0u)
        << data.substr(0, 200);
    std::size_t at = data.find("\nN1(");
    for (int i = 2; i <= steps && at != std::string::npos; ++i) at = data.find("\nN" + std::to_string(i) + "(", at + 1);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(data.substr(at + 1), "N" + std::to_string(steps) + "(0001)G01X" + std::to_string(steps / 2) +
                                       ".500000Y1.000000Z5.000000F500(A3.000000F200)\n%\n");
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), steps + 3);
}

TEST(OptimizedNc, BinaryRecordsAndAbortedRuns) {
    TempDir dir;
    OptimizedOutput out;
    OptimizeOptions o;
    o.cutData = kCutDataBinary;
    ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{}, dir.Path("OPTNC.NC"), dir.Path("CUTDATA.BIN"), 1));
    BeginOptimisedOutput(out, {0.0, 0.0, 50.0});
    OptimizeStep a = Step(1, 2, {0, 0, 40}, true, 3.0);
    a.type = kLine;
    AddOptimisedStep(out, a, Table());
    OptimizeStep b = a;
    b.end[2] = 39.0;  // only Z and, by the load, F change
    b.load = 3.0;
    AddOptimisedStep(out, b, Table());
    b.end[2] = 38.0;
    b.load = 6.0;
    AddOptimisedStep(out, b, Table());
    // A rapid through air, escaped: its record's chosen F is its own
    // programmed feed, truncated, not the feed a kept rapid would get.
    OptimizeStep c = Step(2, 3, {5, 0, 38}, false, 0.0, true);
    c.type = kRapid;
    c.feed = 512.7;
    AddOptimisedStep(out, c, Table());
    // A spline's step: the spline's own motion type, 132.
    OptimizeStep d = Step(3, 4, {6, 0, 38}, false, 0.0, true);
    d.type = kLine;
    d.nurbs = true;
    d.feed = 512.7;
    AddOptimisedStep(out, d, Table());
    // An aborted run writes no optimised NC, on purpose (no failure), and
    // leaves no temporary file.
    EXPECT_TRUE(CloseOptimisedOutputs(out, true));
    EXPECT_FALSE(out.ncFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("OPTNC.NC")));
    const std::string bin = TempDir::Read(dir.Path("CUTDATA.BIN"));
    // Header 12; the first record: flags, line, type, Z, feed, class, load, F.
    const std::size_t first = 2 + 4 + 1 + 4 + 4 + 1 + 4 + 4;
    const std::size_t rapid = 2 + 4 + 1 + 4 + 4 + 1 + 4 + 4;  // line, type, X, feed, class, load, F
    const std::size_t spline = 2 + 4 + 1 + 4;  // line, type, X
    const std::size_t splineAt = 12 + first + 2 + 4 + (2 + 4 + 4 + 4) + rapid;
    ASSERT_EQ(bin.size(), splineAt + spline);
    std::int32_t chosen = 0;
    std::memcpy(&chosen, bin.data() + splineAt - 4, 4);
    EXPECT_EQ(chosen, 512);
    EXPECT_EQ(static_cast<unsigned char>(bin[splineAt]), 0x0E);
    EXPECT_EQ(static_cast<unsigned char>(bin[splineAt + 2 + 4]), 132);
    EXPECT_EQ(static_cast<unsigned char>(bin[12 + first]), 0x20);      // Z only ...
    EXPECT_EQ(static_cast<unsigned char>(bin[12 + first + 1]), 0x00);  // ... the load and F as before
    EXPECT_EQ(static_cast<unsigned char>(bin[12 + first + 6]), 0x20);
    EXPECT_EQ(static_cast<unsigned char>(bin[12 + first + 7]), 0x03);  // Z, load and F
    float z = 0;
    std::memcpy(&z, bin.data() + 12 + first + 8, 4);
    EXPECT_EQ(z, 38.0f);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Dir())) ++files;
    EXPECT_EQ(files, 1u);
}

// The disk fills up while the long cut data is written: the short
// optimised NC is complete and goes in place, the cut data keeps its old
// file, and the flags say which one failed.
TEST(OptimizedNc, AFileThatCannotBeWrittenLeavesTheOtherInPlace) {
    TempDir dir;
    const std::string data = dir.Path("CUTDATA.TXT");
    {
        std::FILE* old = std::fopen(data.c_str(), "w");
        ASSERT_NE(old, nullptr);
        std::fputs("old\n", old);
        std::fclose(old);
    }
    OptimizedOutput out;
    OptimizeOptions o;
    o.cutData = kCutDataText;
    ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), data, 1));
    BeginOptimisedOutput(out, {0.0, 0.0, 5.0});
    bool closed = true;
    {
        test::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Set());
        // 10,000 steps of one straight cut: one block of NC, 10,000 lines
        // of cut data, most of them written on the cut data's own thread.
        for (int i = 1; i <= 10000; ++i) {
            AddOptimisedStep(out, Step(1, 2, {0.01 * i, 0, 5}, true, 3.0, i == 10000), Table());
        }
        closed = CloseOptimisedOutputs(out, false);
    }
    EXPECT_FALSE(closed);
    EXPECT_TRUE(out.dataFailed);
    EXPECT_FALSE(out.ncFailed);
    EXPECT_EQ(TempDir::Read(dir.Path("OPTNC.NC")), "G92X0.0Y0.0Z5.0\nG01X100.0F200\n");
    EXPECT_EQ(TempDir::Read(data), "old\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Dir())) ++files;
    EXPECT_EQ(files, 2u);
}

}  // namespace
}  // namespace morvex
