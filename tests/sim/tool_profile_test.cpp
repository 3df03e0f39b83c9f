// Tool profiles against closed formulas: simple shapes, taper ball, neck,
// holder and attachment, the oval and its quartic, hostile tool values.
#include "sim/tool_profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "sim/oval_profile.h"

namespace morvex {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kDeg = std::numbers::pi / 180.0;

ToolDef Tool(int shape, float d, float r, float e, float f, float alpha = 0, float beta = 0,
             float h = 20) {
    ToolDef t;
    t.defined = true;
    t.shape = shape;
    t.d = d, t.r = r, t.e = e, t.f = f, t.alpha = alpha, t.beta = beta, t.h = h;
    return t;
}

ToolProfile Select(const ToolDef& t, double arborClearance = 0,
                   const AttachmentBlocks* blocks = nullptr) {
    ToolTable table;
    table.tools.resize(3);
    table.tools[2] = t;
    ToolProfile p;
    SelectTool(table, 2, 0.0, arborClearance, blocks, p);
    return p;
}

double At(const ToolProfile& p, double rho, double zTip = 0.0) {
    return ToolProfileHeight(p, zTip, zTip + p.fC, rho, rho * rho);
}

ArborDef Arbor(int kind, std::initializer_list<float> dia, std::initializer_list<float> hgt,
               std::initializer_list<int> cone = {}) {
    ArborDef a;
    a.defined = true;
    a.kind = kind;
    a.count = static_cast<int>(hgt.size());
    std::copy(dia.begin(), dia.end(), a.dia.begin());
    std::copy(hgt.begin(), hgt.end(), a.hgt.begin());
    std::copy(cone.begin(), cone.end(), a.cone.begin());
    return a;
}

TEST(ToolProfile, BallFlatAndBull) {
    const ToolProfile ball = Select(Tool(kShapeBall, 10, 5, 0, 5));
    EXPECT_EQ(ball.simpleForm, kFormBallLike);
    EXPECT_FLOAT_EQ(At(ball, 3.0, -7.0), -7.0 + 1.0);  // 5 - sqrt(25 - 9)
    EXPECT_FLOAT_EQ(At(ball, 5.0, -7.0), -7.0 + 5.0);
    EXPECT_FLOAT_EQ(ToolProfileHeight(ball, -7.0, 9.0), -7.0 + 1.0);
    EXPECT_EQ(At(ball, 5.01), kInf);  // no holder: nothing beyond the flank

    const ToolProfile flat = Select(Tool(kShapeFlat, 10, 0, 0, 0));
    EXPECT_EQ(flat.simpleForm, kFormFlat);
    for (double rho : {0.0, 5.0}) EXPECT_FLOAT_EQ(At(flat, rho, 3.0), 3.0) << rho;

    const ToolProfile bull = Select(Tool(kShapeBull, 10, 2, 3, 2));
    EXPECT_EQ(bull.simpleForm, kFormTorus);
    EXPECT_FLOAT_EQ(At(bull, 3.0, 1.0), 1.0);
    EXPECT_FLOAT_EQ(At(bull, 4.0, 1.0), 1.0 + 2.0 - std::sqrt(4.0 - 1.0));
    EXPECT_FLOAT_EQ(At(bull, 5.0, 1.0), 3.0);
}

TEST(ToolProfile, TaperBallSphereMeetsFlankLine) {
    const double beta = 5.0 * kDeg;
    const float d = static_cast<float>(2.0 * (1.0 / std::cos(beta) - std::tan(beta)));
    const ToolProfile p = Select(Tool(kShapeTaperBall, d, 1, 0, 1, 0, 5, 3));
    const double R = 0.5 * d, k = 1.0 / std::tan(beta);
    EXPECT_NEAR(p.rho2, std::cos(beta), 1e-6);  // sphere touches the flank at r·cos(beta)
    EXPECT_NEAR(p.rho3, R + 3.0 * std::tan(beta), 1e-9);
    EXPECT_FLOAT_EQ(At(p, 0.5), 1.0 - std::sqrt(0.75));
    EXPECT_NEAR(At(p, 1.1), k * (1.1 - R), 1e-5);  // z = c + k·rho, c = -k·R
    EXPECT_NEAR(ToolProfileHeight(p, 0.0, p.T2), ToolProfileHeight(p, 0.0, p.T2 * (1 + 1e-12)),
                1e-6);
}

TEST(ToolProfile, NeckAndShank) {
    ToolDef t = Tool(kShapeFlat, 10, 0, 0, 0);
    t.length = {2, {60, 25, 10, 0, 0, 16}};  // LENGTH2: shank 16 mm, neck 10 high
    ToolProfile p = Select(t);
    EXPECT_DOUBLE_EQ(p.T4, 64.0);
    EXPECT_FLOAT_EQ(At(p, 6.5), 25.0 + 1.5 * 10.0 / 3.0);
    EXPECT_FLOAT_EQ(At(p, 8.0), 35.0);
    EXPECT_EQ(At(p, 8.01), kInf);
    EXPECT_DOUBLE_EQ(Select(t, 1.0).shankRadius, 9.0);  // clearance widens the shank

    t.length = {3, {60, 20, 4, 45, 60, 30}};  // LENGTH3: 45° up to rhoM = 9, then 60°
    p = Select(t);
    EXPECT_NEAR(p.rhoM, 9.0, 1e-12);
    EXPECT_FLOAT_EQ(At(p, 7.0), 22.0);
    EXPECT_FLOAT_EQ(At(p, 12.0), 24.0 + 3.0 / std::sqrt(3.0));
}

TEST(ToolProfile, HolderForms) {
    ToolDef t = Tool(kShapeFlat, 10, 0, 0, 0);
    t.length = {1, {50}};
    t.holder = Arbor(kArborSteps, {40, 60}, {30, 20});
    ToolProfile p = Select(t);
    for (double rho : {5.01, 20.0}) EXPECT_FLOAT_EQ(At(p, rho, 2.0), 52.0) << rho;
    for (double rho : {20.01, 30.0}) EXPECT_FLOAT_EQ(At(p, rho, 2.0), 82.0) << rho;
    EXPECT_EQ(At(p, 30.01), kInf);
    EXPECT_DOUBLE_EQ(p.holderTop, 100.0);
    EXPECT_DOUBLE_EQ(p.outerRadius, 30.0);
    EXPECT_FLOAT_EQ(At(Select(t, 1.0), 20.9), 50.0);  // D + 2·1: radius 21
    // Automatic clearance at pitch 1: the 60 mm segment reaches sqrt(31² + 0.5²).
    EXPECT_FLOAT_EQ(At(Select(t, -1.0), 30.0), 80.0);
    EXPECT_EQ(At(Select(t, -1.0), std::hypot(31.0, 0.5) + 1e-3), kInf);

    // ARBOR2: from (5, 50) to (20, 80).
    t.holder = Arbor(kArborCones, {40, 60}, {30});
    p = Select(t);
    EXPECT_FLOAT_EQ(At(p, 12.5), 65.0);
    EXPECT_FLOAT_EQ(At(p, 20.0), 80.0);
    EXPECT_EQ(At(p, 20.5), kInf);

    // ARBOR3: face 30, a 20 high step out to 40, a 10 high cone out to 60.
    t.holder = Arbor(kArborMixed, {30, 40, 60}, {20, 10}, {0, 1});
    p = Select(t);
    EXPECT_FLOAT_EQ(At(p, 10.0), 50.0);
    EXPECT_FLOAT_EQ(At(p, 17.0), 70.0);
    EXPECT_FLOAT_EQ(At(p, 25.0), 75.0);
    EXPECT_DOUBLE_EQ(p.outerRadius, 30.0);

    t.length = {};  // no LengthDef: no holder
    EXPECT_EQ(At(Select(t), 12.0), kInf);
}

TEST(ToolProfile, AttachmentBlocks) {
    ToolDef t = Tool(kShapeFlat, 10, 0, 0, 0);
    t.length = {1, {50}};
    t.holder = Arbor(kArborSteps, {40, 60}, {30, 20});
    AttachmentBlocks blocks{2, {100, 200}, {40, 30}};
    const ToolProfile p = Select(t, 0.0, &blocks);
    EXPECT_EQ(AttachmentHeight(p, 1.0, 30, -45), 101.0);  // first block, on the holder top
    EXPECT_EQ(AttachmentHeight(p, 1.0, 80, 10), 141.0);   // second block, 40 higher
    EXPECT_EQ(AttachmentHeight(p, 1.0, -99, 99), 141.0);
    EXPECT_FALSE(AttachmentHeight(p, 1.0, 120, 0));
    EXPECT_EQ(At(p, 40.0), kInf);
    EXPECT_NEAR(p.outerRadius, 100.0 * std::sqrt(2.0), 1e-9);
    EXPECT_FALSE(AttachmentHeight(Select(t), 1.0, 0, 0));
}

TEST(ToolProfile, OvalCapAndCorner) {
    const ToolProfile cap = Select(Tool(kShapeOval, 10, 0, 5, 3));  // e = R
    for (double rho : {0.0, 4.0, 5.0})
        EXPECT_FLOAT_EQ(At(cap, rho, 1.0), 1.0 + (1.0 - std::sqrt(1.0 - rho * rho / 25.0)) * 3.0);
    const ToolProfile narrow = Select(Tool(kShapeOval, 10, 0, 3, 3));  // flat at f beyond e
    EXPECT_FLOAT_EQ(At(narrow, 2.0), 3.0 * (1.0 - std::sqrt(1.0 - 4.0 / 9.0)));
    EXPECT_FLOAT_EQ(At(narrow, 4.0), 3.0);

    // OVALR: e = 8, f = 2 and a corner of 1 on a 10 mm tool. The corner
    // centre lies at R - r and its distance to the ellipse is r.
    const ToolProfile p = Select(Tool(kShapeOval, 10, 1, 8, 2));
    ASSERT_GT(p.rho1, 4.0);
    ASSERT_LT(p.rho1, 5.0);
    EXPECT_DOUBLE_EQ(p.eC, 4.0);
    double nearest = kInf;
    for (int i = 0; i <= 200000; ++i) {
        const double th = 0.5 * std::numbers::pi * i / 200000;
        nearest =
            std::min(nearest, std::hypot(8 * std::sin(th) - 4.0, 2 - 2 * std::cos(th) - p.fC));
    }
    EXPECT_NEAR(nearest, 1.0, 1e-6);
    const double h = 1e-4, a = p.rho1;
    EXPECT_NEAR(At(p, a - 1e-9), At(p, a + 1e-9), 1e-6);
    EXPECT_NEAR((At(p, a) - At(p, a - h)) / h, (At(p, a + h) - At(p, a)) / h, 2e-3);
    EXPECT_FLOAT_EQ(At(p, 5.0), p.fC);  // vertical at the side
}

TEST(ToolProfile, PolynomialSolvers) {
    struct Case {
        double c[5];
        std::vector<double> roots;
    };
    const Case cases[] = {
        {{1, -10, 35, -50, 24}, {1, 2, 3, 4}},
        {{2, 0.5, 1.75, 0.5, -0.25}, {-0.5, 0.25}},  // 2(x + 0.5)(x - 0.25)(x² + 1)
        {{1, -1, -7, 13, -6}, {-3, 1, 1, 2}},  // (x - 1)²(x + 3)(x - 2)
        {{1, 0, 0, 0, 1}, {}},
        {{0, 1, -4, -7, 10}, {-2, 1, 5}},  // a cubic
    };
    for (const Case& k : cases) {
        std::array<double, 4> x{};
        const int n = SolveQuartic(k.c[0], k.c[1], k.c[2], k.c[3], k.c[4], x);
        ASSERT_EQ(n, static_cast<int>(k.roots.size())) << k.c[0] << " " << k.c[1];
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(x[i], k.roots[i], 1e-6) << i;
    }
    std::array<double, 3> y{};
    ASSERT_EQ(SolveCubic(1, -6, 11, -6, y), 3);
    EXPECT_NEAR(y[0], 1.0, 1e-12);
    EXPECT_NEAR(y[2], 3.0, 1e-12);
    ASSERT_EQ(SolveCubic(1, 0, 1, 2, y), 1);  // (x + 1)(x² - x + 2)
    EXPECT_NEAR(y[0], -1.0, 1e-12);
}

TEST(ToolProfile, HostileValuesGiveFiniteHeights) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ToolDef withNanHolder = Tool(kShapeFlat, 10, 0, 0, 0);
    withNanHolder.length = {3, {50, nan, 5, 0, 120, 30}};
    withNanHolder.holder = Arbor(kArborCones, {nan, 60}, {30});
    const ToolDef tools[] = {
        Tool(kShapeFlat, 0, 0, 0, 0),
        Tool(kShapeBall, nan, 5, 0, 5),
        Tool(kShapeOther, 10, 2, 3, 2, 90),
        Tool(kShapeOther, 10, 2, 3, 2, 0, 90),
        Tool(kShapeOther, 10, 2, 3, 2, 60, 40),
        Tool(kShapeOval, 10, 1, 0, 2),
        Tool(kShapeOther, 10, -2, 0, nan),
        Tool(kShapeRadius, 10, 7, 0, 1),
        Tool(kShapeTaperBall, 1, 1, 0, 1, 0, 89, 3),
        withNanHolder,
    };
    for (const ToolDef& t : tools) {
        const ToolProfile p = Select(t);
        for (double rho = 0.0; rho <= 40.0; rho += 0.125)
            EXPECT_FALSE(std::isnan(At(p, rho))) << t.shape << " " << t.d << " at " << rho;
    }
    const ToolProfile point = Select(Tool(kShapeFlat, 0, 0, 0, 0));
    EXPECT_TRUE(point.degenerate);
    EXPECT_EQ(At(point, 0.0), 0.0);
    EXPECT_EQ(At(point, 0.5), kInf);
    EXPECT_FLOAT_EQ(At(Select(Tool(kShapeOther, 10, 2, 3, 2, 90)), 4.0), 0.0);  // flat
    EXPECT_FLOAT_EQ(At(Select(Tool(kShapeBull, 10, 7, 0, 7)), 3.0), 1.0);       // r cut to R

    ToolTable table;
    table.tools.resize(3);
    table.tools[1] = Tool(kShapeFlat, 10, 0, 0, 0);
    table.tools[1].pen = 3;
    table.tools[1].shift = 2.5f;
    ToolProfile p;
    SelectTool(table, 1, 0, 0, nullptr, p);
    EXPECT_EQ(p.attrCode, 6);
    EXPECT_DOUBLE_EQ(p.shift, 2.5);
    for (int n : {0, 2, 7, -1}) {
        SelectTool(table, n, 0, 0, nullptr, p);
        EXPECT_EQ(p.number, 0);
        EXPECT_EQ(At(p, 0.0), kInf) << n;
    }
}

// A checked rapid sweeps with the cutting part widened by the tool
// clearance: level with the edge for tools without a flank, the flank
// continued for a tapered one; nothing beyond the clearance.
TEST(ToolProfile, RapidCheckClearance) {
    ToolTable table;
    table.tools.resize(4);
    table.tools[1] = Tool(kShapeFlat, 10, 0, 5, 0);
    table.tools[2] = Tool(kShapeBall, 8, 4, 0, 4);
    table.tools[3] = Tool(kShapeFlat, 10, 0, 5, 0, 0, 45, 5);  // flank at 45 degrees up to h = 5
    auto rapid = [&](int n, double clearance) {
        ToolProfile p;
        SelectTool(table, n, clearance, 0.0, nullptr, p);
        return RapidCheckProfile(p);
    };
    const ToolProfile f = rapid(1, 1.0), b = rapid(2, 1.0), t = rapid(3, 1.0);
    EXPECT_EQ(At(f, 5.9), 0.0);
    EXPECT_EQ(At(f, 6.1), kInf);
    EXPECT_EQ(At(b, 4.9), static_cast<double>(4.0f));  // the ball's equator height
    EXPECT_EQ(At(b, 3.0), static_cast<double>(static_cast<float>(4.0 - std::sqrt(7.0))));
    // Flank z = rho - 5 from rho 5 to 10 (h = 5), continued to rho 11.
    EXPECT_NEAR(At(t, 10.5), 5.5, 1e-6);
    EXPECT_EQ(At(t, 11.5), kInf);
    // No clearance: the same profile.
    EXPECT_EQ(At(rapid(1, 0.0), 5.5), kInf);
}

}  // namespace
}  // namespace morvex
