#include "results/node_scale_steps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "results/optimized_nc.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

NodeScaleStep Sample(double length, bool cut, double load, int cutClass = 0, bool lateral = true) {
    NodeScaleStep s;
    s.length = length;
    s.cut = cut;
    s.load = cut ? load : 0.0;
    s.cutClass = cut ? cutClass : -1;
    s.highestCut = cut ? 1.0 : -1e300;
    s.lateral = lateral ? length : 0.0;
    return s;
}

// Steps that move a diagonal of the grid's square across are judged as
// the sweep measured them, to the last bit of their loads; so is every
// step without a spacing. A shorter step right after a cut may still be in
// material (the next node in line can be a spacing on): it cuts, unless it
// stands more than a spacing above what the cuts met, or went straight up
// or down; after the tool went straight up it is judged alone again.
TEST(NodeScaleSteps, StepsOfTheSpacingStandAlone) {
    for (const double pitch : {0.0, 0.5}) {
        NodeScaleWindow w;
        ResetNodeScaleWindow(w, pitch);
        const double loads[] = {0.1 / 3.0, 0.0, 7.3, 0.0, 0.0, 2.0 / 7.0};
        for (int i = 0; i < 6; ++i) {
            NodeScaleStep s = Sample(pitch > 0.0 ? 0.71 : 0.3, loads[i] > 0.0, loads[i]);
            const NodeScaleStep told = s;
            JudgeAtNodeScale(w, s);
            EXPECT_EQ(s.cut, told.cut) << pitch << " " << i;
            EXPECT_EQ(std::memcmp(&s.load, &told.load, sizeof s.load), 0) << pitch << " " << i;
            EXPECT_EQ(s.cutClass, told.cutClass);
        }
        EXPECT_LE(w.count, 1u);
    }
    NodeScaleWindow w;
    ResetNodeScaleWindow(w, 0.5);
    NodeScaleStep cut = Sample(0.49, true, 6.0, 2);
    JudgeAtNodeScale(w, cut);
    EXPECT_EQ(cut.load, 6.0);
    NodeScaleStep after = Sample(0.49, false, 0.0);
    JudgeAtNodeScale(w, after);
    EXPECT_TRUE(after.cut);
    EXPECT_EQ(after.cutClass, 2);
    EXPECT_DOUBLE_EQ(after.load, 3.0);  // its volume over both steps
    // A cut that only grazed a floor does not lower what the window met.
    NodeScaleStep graze = Sample(0.001, true, 0.0);
    graze.tipZ = 0.2;
    graze.highestCut = 0.2001;
    JudgeAtNodeScale(w, graze);
    NodeScaleStep beyond = Sample(0.001, false, 0.0);
    beyond.tipZ = 0.3;
    JudgeAtNodeScale(w, beyond);
    EXPECT_TRUE(beyond.cut);
    EXPECT_EQ(beyond.highestCut, 1.0);
    NodeScaleStep risen = Sample(0.3, false, 0.0);
    risen.tipZ = 1.6;  // a spacing above the height the cut met
    JudgeAtNodeScale(w, risen);
    EXPECT_FALSE(risen.cut);
    JudgeAtNodeScale(w, cut);
    NodeScaleStep up = Sample(0.2, false, 0.0, 0, false);
    up.tipZ = 0.3;
    JudgeAtNodeScale(w, up);
    EXPECT_FALSE(up.cut);
    NodeScaleStep across = Sample(0.1, false, 0.0);
    across.tipZ = 0.3;
    JudgeAtNodeScale(w, across);
    EXPECT_FALSE(across.cut);
}

// A narrow band of material beside a rising pass meets a node a spacing
// apart: stepped every 0.05 mm (a little longer along the slope) every
// tenth step cuts, whichever point of a step the node comes at, and every
// step between counts as cutting. So does every step along a diagonal
// band (a node every 0.707 mm) and up a floor rising at 1 in 5 that the
// tool skims 0.01 mm deep (each node is met once, a step after it the tip
// stands above it).
TEST(NodeScaleSteps, ANodeASpacingApartKeepsEveryStepCutting) {
    for (const bool rising : {false, true}) {
        NodeScaleWindow w;
        ResetNodeScaleWindow(w, 0.5);
        const double apart = rising ? 0.5 : 0.5 * std::sqrt(2.0);
        for (int i = 0; i < 400; ++i) {
            const double x = 0.05 * (i + 1);
            const bool cut = std::floor(x / apart) != std::floor((x - 0.05) / apart);
            NodeScaleStep s = Sample(0.05, cut, 4.0);
            s.tipZ = rising ? 0.2 * x - 0.01 : -3.0;
            if (cut) s.highestCut = rising ? 0.2 * x : 0.0;
            JudgeAtNodeScale(w, s);
            if (i > 20) {
                ASSERT_TRUE(s.cut) << rising << " " << i;
            }
        }
    }
    for (const int phase : {0, 3, 9}) {
        NodeScaleWindow w;
        ResetNodeScaleWindow(w, 0.5);
        for (int i = 0; i < 200; ++i) {
            NodeScaleStep s = Sample(0.05, (i + phase) % 10 == 0, 4.0);
            s.length = std::hypot(0.05, 0.0003);
            s.tipZ = -3.0 + 0.0003 * i;
            JudgeAtNodeScale(w, s);
            if (i < 10 - phase) continue;
            ASSERT_TRUE(s.cut) << phase << " " << i;
            // Between the volume over the spacing and the cutting step's own.
            EXPECT_GE(s.load, 0.4 - 1e-9) << phase << " " << i;
            EXPECT_LE(s.load, 4.0) << phase << " " << i;
        }
    }
}

// A tool buried in a slot, stepped every 0.05 mm over nodes 0.5 mm apart,
// lowers nodes every other step, twice the true load each time. Judged
// over the spacing every step cuts at about the true load; the first cut
// after air keeps its own load (the air before it does not thin it out);
// beyond the slot's end the steps cut for one spacing more, then they are
// air again; a vertical step through air stays air.
TEST(NodeScaleSteps, FineStepsInASlotCutAtTheirMeanLoad) {
    NodeScaleWindow w;
    ResetNodeScaleWindow(w, 0.5);
    for (int i = 0; i < 5; ++i) {
        NodeScaleStep air = Sample(0.05, false, 0.0);
        JudgeAtNodeScale(w, air);
        EXPECT_FALSE(air.cut);
    }
    for (int i = 0; i < 60; ++i) {
        const bool lowers = i % 2 == 0;
        NodeScaleStep s = Sample(0.05, lowers, 20.0, lowers ? 3 : 0);
        JudgeAtNodeScale(w, s);
        ASSERT_TRUE(s.cut) << i;
        EXPECT_EQ(s.cutClass, 3) << i;
        EXPECT_EQ(s.highestCut, 1.0);
        if (i == 0) {
            EXPECT_EQ(s.load, 20.0);
        } else if (i >= 20) {
            // A window of 10 steps, 5 of them cutting, from the first that cut.
            EXPECT_NEAR(s.load, 10.5, 0.7) << i;
        }
    }
    // The last cut was step 58: steps 59 .. 72 end within a diagonal of it.
    int stillCutting = 0;
    for (int i = 0; i < 15; ++i) {
        NodeScaleStep s = Sample(0.05, false, 0.0);
        JudgeAtNodeScale(w, s);
        if (s.cut) {
            ++stillCutting;
            EXPECT_GT(s.load, 0.0);
        }
    }
    EXPECT_EQ(stillCutting, 13);  // less than 0.707 mm after it
    NodeScaleStep cut = Sample(0.05, true, 4.0);
    JudgeAtNodeScale(w, cut);
    NodeScaleStep up = Sample(0.05, false, 0.0, 0, false);
    JudgeAtNodeScale(w, up);
    EXPECT_FALSE(up.cut);
    // Steps of no length never pile up.
    for (int i = 0; i < 10000; ++i) {
        NodeScaleStep s = Sample(0.0, i % 3 == 0, 1.0);
        JudgeAtNodeScale(w, s);
    }
    EXPECT_LE(w.count, 4097u);
}

// A plunge, straight down through air into material: every step cut
// after the first is judged over the whole plunge from the first that
// cut (no lateral travel ends the window), to the same last bit however
// long the way down through air was. A step across after it cuts at the
// plunge's mean load and stands as high as the cuts met.
TEST(NodeScaleSteps, APlungeIsJudgedFromItsFirstCutWhateverAirLedToIt) {
    std::vector<std::vector<NodeScaleStep>> judged;
    for (const int air : {0, 1, 300, 5000}) {
        NodeScaleWindow w;
        ResetNodeScaleWindow(w, 0.1);
        double tip = 20.0 + 0.1 * air;  // the material stands at 20
        auto down = [&](bool cut, double load, double highest) {
            tip -= 0.1;
            NodeScaleStep s = Sample(0.1, cut, load, 2, false);
            s.tipZ = tip;
            s.highestCut = cut ? highest : -1e300;
            JudgeAtNodeScale(w, s);
            return s;
        };
        for (int i = 0; i < air; ++i) EXPECT_FALSE(down(false, 0.0, 0.0).cut);
        std::vector<NodeScaleStep> steps;
        double volume = 0.0;
        for (int i = 0; i < 40; ++i) {
            const double load = 3.0 + (i % 3);
            const NodeScaleStep s = down(true, load, 20.0 - 0.1 * i);
            volume += load * 0.1;
            EXPECT_NEAR(s.load, i == 0 ? load : volume / (0.1 * (i + 1)), 1e-9) << air << " " << i;
            steps.push_back(s);
        }
        NodeScaleStep across = Sample(0.05, false, 0.0);
        across.tipZ = tip;
        JudgeAtNodeScale(w, across);
        EXPECT_TRUE(across.cut);
        EXPECT_EQ(across.highestCut, 20.0);
        steps.push_back(across);
        judged.push_back(steps);
    }
    for (std::size_t r = 1; r < judged.size(); ++r) {
        for (std::size_t i = 0; i + 1 < judged[0].size(); ++i) {
            EXPECT_EQ(std::memcmp(&judged[r][i].load, &judged[0][i].load, sizeof(double)), 0) << r << " " << i;
        }
        // The step across takes the window's running sums: rounded alike
        // only to within their last bits.
        EXPECT_NEAR(judged[r].back().load, judged[0].back().load, 1e-9);
    }
}

// The optimised NC of such a slot with air kept at the machine's highest
// feed: judged step by step the slot's steps between nodes went at that
// feed; judged over the spacing none does. A new tool starts afresh: its
// first step through air is air.
TEST(NodeScaleSteps, KeptAirNeverReachesAStepBetweenNodes) {
    ToolDef t;
    t.optF[0].set = true;
    t.optF[0].first = 100.0f;
    t.optF[0].pairCount = 1;
    t.optF[0].a = {5.0f};
    t.optF[0].b = {400.0f};
    const OptimizeFeeds feeds = OptimizeFeedsOf(1, t, {3000.0f, 3000.0f, 2000.0f});
    for (const double pitch : {0.0, 0.5}) {
        test::TempDir dir;
        OptimizedOutput out;
        OptimizeOptions o;
        o.optAircut = kOptAirMaxMachineF;
        o.nodePitch = pitch;
        ASSERT_TRUE(OpenOptimisedOutputs(out, o, OptimizeFormat{1000, true, ' '}, dir.Path("OPTNC.NC"), "", 1));
        BeginOptimisedOutput(out, {0.0, 0.0, -5.0});
        // A step of tool `tool` at the slot's depth ending at x.
        auto step = [&](int tool, double x, bool cut) {
            OptimizeStep s;
            s.motion = tool;
            s.line = 1 + tool;
            s.tool = tool;
            s.feed = 500.0;
            s.length = 0.05;
            s.end = {x, 0.0, -5.0};
            s.cut = cut;
            s.load = cut ? 8.0 : 0.0;
            s.cutClass = cut ? 0 : -1;
            if (cut) s.highestCut = 0.0;
            AddOptimisedStep(out, s, feeds);
        };
        for (int i = 1; i <= 40; ++i) step(1, 0.05 * i, i % 2 == 1);
        ChangeOptimisedTool(out, 2);
        step(2, 2.05, false);
        ASSERT_TRUE(CloseOptimisedOutputs(out, false));
        const std::string nc = test::TempDir::Read(dir.Path("OPTNC.NC"));
        const std::size_t change = nc.find("T2");
        ASSERT_NE(change, std::string::npos) << nc;
        EXPECT_EQ(nc.substr(0, change).find("F3000") == std::string::npos, pitch > 0.0) << nc;
        if (pitch > 0.0) {
            EXPECT_NE(nc.find("F3000", change), std::string::npos) << nc;
        }
    }
}

}  // namespace
}  // namespace morvex
